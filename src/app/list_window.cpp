#include "app/list_window.h"

#include <QShortcut>

#include "app/main_window.h"
#include "platform/gui/answering_wait.h"
#include "site/exploration_list.h"
#include "state/program_state.h"

namespace veldo {

ListWindow::ListWindow() {
    listWindow = this;
    emit ProgramStateEvents().listWindowChanged();
    connect(图形按钮2, &QAbstractButton::clicked, this, [] { OnPageArrowClicked(); });
    connect(图形按钮1, &QAbstractButton::clicked, this, [] { OnPageArrowClicked(); });
    connect(列表框1, &QListWidget::itemDoubleClicked, this, [] { OnListEntryChosen(); });
    // Keyboard: Enter in the list chooses the current entry, as a double-click on it does.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), 列表框1);
        enter->setContext(Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] {
            QListWidgetItem* current = 列表框1->currentItem();
            if (current == nullptr) return;
            列表框1->setCurrentItem(current); // selected too, as by the double-click's press
            emit 列表框1->itemDoubleClicked(current);
        });
    }
    AddPlayPauseKey(this);
    // Choosing another sound abandons a load in progress.
    EndWaitsOnDoubleClickOf(列表框1);
}

ListWindow::~ListWindow() {
    if (listWindow != this) return;
    listWindow = nullptr;
    emit ProgramStateEvents().listWindowChanged();
}

void OpenListWindow() {
    if (listWindow != nullptr) {
        listWindow->raise();
        listWindow->activateWindow();
        return;
    }
    new ListWindow();
    OnListWindowCreated();
    // The created handler may have closed the window; `listWindow` says whether it is open.
    if (listWindow != nullptr) listWindow->show();
}

} // namespace veldo
