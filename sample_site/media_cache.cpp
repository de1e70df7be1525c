#include "sample_site/media_cache.h"

#include "sample_site/cover_art.h"
#include "sample_site/mp3_encoder.h"
#include "sample_site/music_synth.h"

namespace veldo {
namespace {

// LAME's quality 7 encodes about twice as fast as its default and sounds the same on this music.
const Mp3Settings kSiteMp3{.quality = 7};

} // namespace

MediaCache::Slot& MediaCache::SlotFor(std::map<std::string, std::unique_ptr<Slot>>& slots,
                                      const std::string& key) {
    std::lock_guard lock(mutex_);
    auto& slot = slots[key];
    if (!slot) slot = std::make_unique<Slot>();
    return *slot;
}

MediaCache::Bytes MediaCache::Mp3(const SampleSound& sound) {
    Slot& slot = SlotFor(mp3s_, sound.id);
    std::call_once(slot.once, [&] {
        const auto seed = static_cast<uint32_t>(std::stoul(sound.id));
        slot.bytes = std::make_shared<const std::string>(
            EncodeMp3(SynthesizeMusic(seed, sound.durationSeconds), kSiteMp3));
    });
    return slot.bytes;
}

MediaCache::Bytes MediaCache::Cover(const SampleSound& sound) {
    return Picture(static_cast<uint32_t>(std::stoul(sound.id)), 300);
}

MediaCache::Bytes MediaCache::Picture(uint32_t seed, int size) {
    Slot& slot = SlotFor(pictures_, std::to_string(seed) + "@" + std::to_string(size));
    std::call_once(slot.once, [&] {
        slot.bytes = std::make_shared<const std::string>(PaintCoverPng(seed, size));
    });
    return slot.bytes;
}

} // namespace veldo
