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

std::string Mp3FileName(std::string_view utf8Name) {
    constexpr std::string_view extension = ".mp3";
    std::string name = CleanFileName(utf8Name);
    if (name.size() + extension.size() > kMaxFileNameBytes) {
        const std::size_t limit = kMaxFileNameBytes - extension.size();
        // Back to the start of the character the cut falls in (continuation bytes are
        // 10xxxxxx, at most three of them); bytes that are no UTF-8 are cut anywhere.
        constexpr std::size_t kMaxContinuationBytes = 3;
        std::size_t cut = limit;
        while (cut > limit - kMaxContinuationBytes &&
               (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        if ((static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) cut = limit;
        name.resize(cut);
    }
    return name.append(extension);
}

} // namespace veldo
