#pragma once
// The program's message boxes as the tests see them: top-level windows of their own.
#include <QApplication>
#include <QMessageBox>
#include <vector>

namespace veldo::testing {

// Every message box that is up, oldest first.
inline std::vector<QMessageBox*> OpenMessageBoxes() {
    std::vector<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

} // namespace veldo::testing
