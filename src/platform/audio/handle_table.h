#pragma once
// Stream handles of the BASS calls. Handles are never reused, so a stale handle stays invalid.
// Every method takes the table's own lock; callers may use it from any thread.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/stream.h"

namespace veldo::audio {

class HandleTable {
  public:
    uint32_t Insert(std::shared_ptr<Stream> stream);
    std::shared_ptr<Stream> Find(uint32_t handle) const;
    // Removes and returns every stream that was stopped by the caller or played to its end.
    std::vector<std::shared_ptr<Stream>> TakeFinished();
    std::vector<std::shared_ptr<Stream>> TakeAll();

  private:
    mutable std::mutex mutex_;
    std::map<uint32_t, std::shared_ptr<Stream>> streams_;
    uint32_t next_ = 0x1000;
};

} // namespace veldo::audio
