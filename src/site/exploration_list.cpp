#include "site/exploration_list.h"

namespace veldo {

// Placeholder bodies so that the program links; the site client replaces them.
void OnListWindowCreated() {}
void LoadExplorationPage(const Text&) {}
void OnListEntryChosen() {}
void OnPageArrowClicked() {}

} // namespace veldo
