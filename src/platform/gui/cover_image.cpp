#include "platform/gui/cover_image.h"

namespace veldo {

QImage DecodeCoverImage(const std::string& bytes) {
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                            static_cast<int>(bytes.size()));
}

} // namespace veldo
