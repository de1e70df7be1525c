#include "player/progress_display.h"

namespace veldo {

// Placeholder body so that the program links; the progress display replaces it.
void UpdateProgress() {}

} // namespace veldo
