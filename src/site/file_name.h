#pragma once
// Turning a sound's name into a file name that stays inside its folder.
#include <cstddef>
#include <string>
#include <string_view>

namespace veldo {

// `utf8Name` with every character that Windows or Linux refuses in a file name
// (/ \ : * ? " < > |, control characters and DEL) replaced by "_"; everything else, Chinese
// included, kept. The result holds no separator, so name + ".mp3" is one path component.
std::string CleanFileName(std::string_view utf8Name);

// The longest file name most file systems take, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The name a sound `utf8Name` is saved under: CleanFileName + ".mp3", the name cut short at a
// character boundary where it would be longer than kMaxFileNameBytes with its ".mp3". The same
// name always gives the same file name.
std::string Mp3FileName(std::string_view utf8Name);

} // namespace veldo
