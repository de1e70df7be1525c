#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace veldo::testing {

// The whole file; empty when it cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace veldo::testing
