// File-name cleaning under arbitrary sound names: the result must be one path component that
// cannot leave the music folder.
#include "site/file_name.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name =
        veldo::CleanFileName(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20) std::abort();
    }
    const std::string file = name + ".mp3";
    if (file == "." || file == "..") std::abort();
    return 0;
}
