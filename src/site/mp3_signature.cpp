#include "site/mp3_signature.h"

#include <fstream>

namespace veldo {
namespace {

constexpr std::size_t kFrameHeaderBytes = 4;
constexpr std::size_t kId3HeaderBytes = 10;

// kbit/s by [MPEG-1?][layer 1..3][index 1..14].
constexpr std::uint16_t kBitrates[2][3][15] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}};
constexpr std::uint32_t kMpeg1Rates[3] = {44100, 48000, 32000};

std::uint8_t Byte(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

} // namespace

std::optional<std::uint32_t> MpegFrameLength(std::string_view bytes) {
    if (bytes.size() < kFrameHeaderBytes) return std::nullopt;
    if (Byte(bytes, 0) != 0xFF || (Byte(bytes, 1) & 0xE0) != 0xE0) return std::nullopt;
    const int version = (Byte(bytes, 1) >> 3) & 3;   // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const int layerBits = (Byte(bytes, 1) >> 1) & 3; // 1: III, 2: II, 3: I
    const int bitrateIndex = Byte(bytes, 2) >> 4;
    const int rateIndex = (Byte(bytes, 2) >> 2) & 3;
    const std::uint32_t padding = (Byte(bytes, 2) >> 1) & 1;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    const bool mpeg1 = version == 3;
    const int layer = 4 - layerBits;
    const std::uint32_t bitrate = kBitrates[mpeg1][layer - 1][bitrateIndex] * 1000u;
    const std::uint32_t rate = kMpeg1Rates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    if (layer == 1) return (12 * bitrate / rate + padding) * 4;
    const std::uint32_t perSlot = layer == 3 && !mpeg1 ? 72 : 144;
    return perSlot * bitrate / rate + padding;
}

std::optional<std::uint64_t> Id3v2TagLength(std::string_view head) {
    if (head.size() < kId3HeaderBytes || head.substr(0, 3) != "ID3") return std::nullopt;
    const std::uint8_t major = Byte(head, 3);
    if (major < 2 || major > 4 || Byte(head, 4) == 0xFF) return std::nullopt;
    std::uint64_t size = 0;
    for (std::size_t i = 6; i < kId3HeaderBytes; ++i) {
        if (Byte(head, i) & 0x80) return std::nullopt; // sizes are 7 bits a byte
        size = size << 7 | Byte(head, i);
    }
    const bool footer = major == 4 && (Byte(head, 5) & 0x10);
    return kId3HeaderBytes + size + (footer ? kId3HeaderBytes : 0);
}

bool LooksLikeMp3(std::uint64_t size, const BodyReader& read) {
    if (size == 0) return false;
    const std::string head = read(0, kId3HeaderBytes);
    if (const auto tag = Id3v2TagLength(head)) {
        if (*tag + kFrameHeaderBytes > size) return true;
        return MpegFrameLength(read(*tag, kFrameHeaderBytes)).has_value();
    }
    const auto first = MpegFrameLength(head);
    if (!first) return false;
    if (*first >= size) return *first == size;
    return MpegFrameLength(read(*first, kFrameHeaderBytes)).has_value();
}

bool FileLooksLikeMp3(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const auto size = static_cast<std::uint64_t>(in.tellg());
    return LooksLikeMp3(size, [&in](std::uint64_t offset, std::size_t count) {
        std::string bytes(count, '\0');
        in.clear();
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(bytes.data(), static_cast<std::streamsize>(count));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
        return bytes;
    });
}

} // namespace veldo
