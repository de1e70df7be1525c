#pragma once
// Turning a sound's name into a file name that stays inside its folder.
#include <string>
#include <string_view>

namespace veldo {

// `utf8Name` with every character that Windows or Linux refuses in a file name
// (/ \ : * ? " < > |, control characters and DEL) replaced by "_"; everything else, Chinese
// included, kept. The result holds no separator, so name + ".mp3" is one path component.
std::string CleanFileName(std::string_view utf8Name);

} // namespace veldo
