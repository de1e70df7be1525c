#include "player/spectrum_display.h"

namespace veldo {

// Placeholder body so that the program links; the spectrum display replaces it.
void DrawSpectrum() {}

} // namespace veldo
