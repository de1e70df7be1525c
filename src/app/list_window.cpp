#include "app/list_window.h"

#include "app/main_window.h"
#include "platform/gui/answering_wait.h"
#include "site/exploration_list.h"

namespace veldo {

ListWindow::ListWindow() {
    connect(图形按钮2, &QAbstractButton::clicked, this, [] { OnPageArrowClicked(); });
    connect(图形按钮1, &QAbstractButton::clicked, this, [] { OnPageArrowClicked(); });
    connect(列表框1, &QListWidget::itemDoubleClicked, this, [] { OnListEntryChosen(); });
    AddPlayPauseKey(this);
    // Choosing another sound abandons a load in progress.
    EndWaitsOnDoubleClickOf(列表框1);
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
