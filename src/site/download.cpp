#include "site/download.h"

namespace veldo {

// Placeholder body so that the program links; the site client replaces it.
void OnDownloadClicked() {}

} // namespace veldo
