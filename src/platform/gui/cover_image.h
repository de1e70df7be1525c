#pragma once
// Decoding a sound's cover from the bytes the site served. The bytes are untrusted: only the
// raster formats a cover can be are read (PNG, JPEG, GIF, and WebP where Qt has its plugin),
// each chosen by the bytes' own signature and read by that format's decoder alone, so no other
// image plugin (SVG above all, gzip-compressed or not) ever sees them. A picture whose header
// claims more than kMaxCoverSide pixels a side is refused before any pixel is decoded, and no
// decoder may allocate more than kMaxCoverAllocationMb for one picture.
//
// Threads: any thread, several at once; no widget is touched (the site's fetches decode on
// their worker and hand the image to the UI thread).
#include <QImage>
#include <string>

namespace veldo {

inline constexpr int kMaxCoverSide = 4096;
// Exactly one kMaxCoverSide-square picture at 32 bits a pixel. Qt reads this limit for every
// image it decodes in the process; it is set before main, before any thread exists.
inline constexpr int kMaxCoverAllocationMb = 64;

// The first picture of `bytes`; a null image when they are no cover format, claim too many
// pixels, or do not decode.
QImage DecodeCoverImage(const std::string& bytes);

} // namespace veldo
