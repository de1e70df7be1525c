#pragma once
// Decoding a cover picture fetched from the site. Any thread (QImage is reentrant), so that the
// bytes are decoded off the UI thread.
#include <QImage>
#include <string>

namespace veldo {

// The picture in `bytes`; a null image when they hold none that can be read.
QImage DecodeCoverImage(const std::string& bytes);

} // namespace veldo
