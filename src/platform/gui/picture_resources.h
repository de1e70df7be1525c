#pragma once

namespace veldo {

// Registers the compiled-in pictures (assets/veldo.qrc). The library is static, so its
// resources register only when asked; safe to call often and from several places.
void EnsurePictureResources();

} // namespace veldo
