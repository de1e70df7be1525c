#pragma once
// The list window's content: page 1 of the site's exploration listing. UI thread.
#include "text/text_types.h"

namespace veldo {

// The list window was created (before it is shown): place it and load page "1".
void OnListWindowCreated();
// Fetches one page and refills explorationEntries and 列表框1, the window answering while it
// waits. False when the wait was abandoned: nothing changed then.
bool LoadExplorationPage(const Text& page);
// Double-click on an item of 列表框1.
void OnListEntryChosen();
// Click of 图形按钮2 or 图形按钮1 of the list window.
void OnPageArrowClicked();

} // namespace veldo
