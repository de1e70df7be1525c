#include "site/file_name.h"

namespace veldo {
namespace {

bool Refused(unsigned char c) {
    switch (c) {
    case '/':
    case '\\':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return true;
    default:
        // In UTF-8 every byte of a multi-byte character is 0x80 or above, so bytes below that
        // are whole characters.
        return c < 0x20 || c == 0x7F;
    }
}

} // namespace

std::string CleanFileName(std::string_view utf8Name) {
    std::string cleaned(utf8Name);
    for (char& c : cleaned)
        if (Refused(static_cast<unsigned char>(c))) c = '_';
    return cleaned;
}

} // namespace veldo
