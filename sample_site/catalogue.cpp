#include "sample_site/catalogue.h"

#include <array>
#include <cstdint>

namespace veldo {
namespace {

// Names mix Chinese and Latin; a few test the listing's edge cases: "&" (written as a character
// reference in the page) and ">" (shown literally).
constexpr std::array<std::string_view, 45> kNames = {
    "晚风与旧街灯", "Morning Coffee",   "雨后的青石板", "Rock & Roll 练习曲",
    "Left > Right", "星河入梦",         "Paper Boats",  "夏日汽水",
    "城南小巷",     "Lo-fi Study No.3", "月光下的猫",   "Slow Tide",
    "山间清泉",     "A Walk in Kyoto",  "橘子味的午后", "Neon Rain",
    "风铃与木屋",   "Little Lanterns",  "海边的明信片", "Sunday Piano Sketch",
    "云朵收集者",   "Quiet Harbor",     "竹林小憩",     "Velvet Night 夜曲",
    "初雪",         "Old Radio",        "秋千上的风",   "Bluebird Waltz",
    "灯塔守望者",   "Meadow Loop",      "春日信笺",     "Tin Roof Lullaby",
    "远方的火车",   "Glass Garden",     "半糖时光",     "Pixel Sunrise",
    "梧桐树下",     "Harbor Lights",    "萤火虫的夜",   "Drift & Dream",
    "琥珀色黄昏",   "Snowglobe",        "小镇邮差",     "Kite Festival",
    "银河列车",
};

constexpr std::array<std::string_view, 6> kUploaders = {"小林音乐室", "Mika Sound", "阿青",
                                                        "Tidewater",  "木木",       "Echo Lab"};

// 20..90 s, spread by a multiplicative hash of the id.
int DurationFor(uint32_t id) {
    return 20 + static_cast<int>((id * 2654435761u) >> 16) % 71;
}

std::vector<SampleSound> MakeListed() {
    std::vector<SampleSound> sounds;
    for (size_t i = 0; i < kNames.size(); ++i) {
        const uint32_t id = 1000100 + static_cast<uint32_t>(i) * 17;
        sounds.push_back({std::to_string(id), std::string(kNames[i]),
                          std::string(kUploaders[i % kUploaders.size()]), DurationFor(id)});
    }
    return sounds;
}

std::vector<SampleSound> MakeFaulty() {
    return {
        {"9000001", "Broken Tape 截断", "Echo Lab", 20, SoundFault::TruncatedMp3},
        {"9000002", "Stalled Stream 卡顿", "Echo Lab", 20, SoundFault::StallingMp3},
        {"9000003", "Login Wall 网页", "Echo Lab", 20, SoundFault::HtmlInsteadOfMp3},
        {"9000004", "No Cover 无封面", "Echo Lab", 20, SoundFault::MissingCover},
    };
}

} // namespace

const std::vector<SampleSound>& ListedSounds() {
    static const std::vector<SampleSound> sounds = MakeListed();
    return sounds;
}

const std::vector<SampleSound>& FaultySounds() {
    static const std::vector<SampleSound> sounds = MakeFaulty();
    return sounds;
}

const SampleSound* FindSound(std::string_view id) {
    for (const auto* list : {&ListedSounds(), &FaultySounds()})
        for (const auto& sound : *list)
            if (sound.id == id) return &sound;
    return nullptr;
}

} // namespace veldo
