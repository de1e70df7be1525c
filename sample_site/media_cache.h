#pragma once
// The MP3 and cover of each sound, made on first request and kept for the life of the cache.
//
// Threads: any number of server threads call Mp3() and Cover() at once. A mutex guards only the
// map from id to slot; the slot's std::call_once makes the first caller build the bytes while
// later callers for the same id wait for it, and callers for other ids proceed in parallel.
// Built bytes are immutable and handed out as shared_ptr<const std::string>.
#include "sample_site/catalogue.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace veldo {

class MediaCache {
  public:
    using Bytes = std::shared_ptr<const std::string>;

    // The sound's music (its catalogue length, seeded by its id) as a 128 kbit/s stereo MP3.
    Bytes Mp3(const SampleSound& sound);
    // The sound's cover, a 300 x 300 PNG.
    Bytes Cover(const SampleSound& sound);
    // Any picture for a seed (avatars and the like), a PNG of `size` pixels square.
    Bytes Picture(uint32_t seed, int size);

  private:
    struct Slot {
        std::once_flag once;
        Bytes bytes;
    };
    Slot& SlotFor(std::map<std::string, std::unique_ptr<Slot>>& slots, const std::string& key);

    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<Slot>> mp3s_;
    std::map<std::string, std::unique_ptr<Slot>> pictures_;
};

} // namespace veldo
