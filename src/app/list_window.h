#pragma once
// The list window of forms/list_window_form.h with its controls wired to the exploration
// list's handlers (site/exploration_list.h). UI thread only.
#include "forms/list_window_form.h"

namespace veldo {

class ListWindow : public ListWindowForm {
    Q_OBJECT
  public:
    // The window is listWindow while it exists.
    ListWindow();
    ~ListWindow() override;
};

// Opens the list window without blocking; when it is already open it is raised instead.
void OpenListWindow();

} // namespace veldo
