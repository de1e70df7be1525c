// Escape decoding under arbitrary records: no crash, no hang.
#include "text/escape_decoding.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)veldo::DecodeEscapes(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
