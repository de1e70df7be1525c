#include "platform/gui/cover_image.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <string_view>

namespace veldo {
namespace {

using namespace std::string_view_literals;

// Qt keeps the limit in a plain global that every image reader reads: written here, during
// static initialisation, no reader on another thread can see it change.
[[maybe_unused]] const bool kAllocationLimitSet = [] {
    QImageReader::setAllocationLimit(kMaxCoverAllocationMb);
    return true;
}();

bool WebpReadable() {
    static const bool readable = QImageReader::supportedImageFormats().contains("webp");
    return readable;
}

// The name of the one decoder that may read `bytes`, from their signature; null for anything
// that is no raster cover.
const char* CoverFormat(std::string_view bytes) {
    if (bytes.starts_with("\x89PNG\r\n\x1a\n"sv)) return "png";
    if (bytes.starts_with("\xFF\xD8\xFF"sv)) return "jpeg";
    if (bytes.starts_with("GIF87a"sv) || bytes.starts_with("GIF89a"sv)) return "gif";
    if (bytes.size() >= 12 && bytes.starts_with("RIFF"sv) && bytes.substr(8, 4) == "WEBP"sv &&
        WebpReadable())
        return "webp";
    return nullptr;
}

bool WithinLimit(QSize size) {
    return !size.isEmpty() && size.width() <= kMaxCoverSide && size.height() <= kMaxCoverSide;
}

// Qt's GIF reader reports the first frame's size, yet paints every frame onto the whole logical
// screen, whose size only the file's own header gives.
bool GifScreenWithinLimit(std::string_view bytes) {
    if (bytes.size() < 10) return false;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const int width = at(6) | at(7) << 8, height = at(8) | at(9) << 8; // little-endian
    return width <= kMaxCoverSide && height <= kMaxCoverSide;
}

} // namespace

QImage DecodeCoverImage(const std::string& bytes) {
    const char* format = CoverFormat(bytes);
    if (format == nullptr) return {};
    // A view of the caller's bytes, not a copy: covers may be megabytes.
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer device(&data);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, format);
    reader.setAutoDetectImageFormat(false);     // that decoder or none, whatever the bytes say
    if (!WithinLimit(reader.size())) return {}; // read from the header only
    if (format == "gif"sv && !GifScreenWithinLimit(bytes)) return {};
    QImage image;
    if (!reader.read(&image) || !WithinLimit(image.size())) return {};
    return image;
}

} // namespace veldo
