// Cover decoding under arbitrary bytes: no crash, no hang, and never a picture beyond the
// limits of cover_image.h.
#include "platform/gui/cover_image.h"

#include <QtGlobal>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Qt's warnings about refused pictures would flood the fuzzer's output.
    static const bool quiet = (qInstallMessageHandler([](QtMsgType, const QMessageLogContext&,
                                                         const QString&) {}),
                               true);
    (void)quiet;
    const QImage image =
        veldo::DecodeCoverImage(std::string(reinterpret_cast<const char*>(data), size));
    if (image.width() > veldo::kMaxCoverSide || image.height() > veldo::kMaxCoverSide)
        std::abort();
    return 0;
}
