#include "platform/audio/handle_table.h"

namespace veldo::audio {

uint32_t HandleTable::Insert(std::shared_ptr<Stream> stream) {
    std::lock_guard lock(mutex_);
    if (++next_ == 0) ++next_; // 0 means "no stream"
    streams_.emplace(next_, std::move(stream));
    return next_;
}

std::shared_ptr<Stream> HandleTable::Find(uint32_t handle) const {
    std::lock_guard lock(mutex_);
    auto it = streams_.find(handle);
    return it == streams_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Stream>> HandleTable::TakeFinished() {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Stream>> taken;
    for (auto it = streams_.begin(); it != streams_.end();) {
        if (it->second->StoppedOrEnded()) {
            taken.push_back(std::move(it->second));
            it = streams_.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

std::vector<std::shared_ptr<Stream>> HandleTable::TakeAll() {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Stream>> taken;
    for (auto& [handle, stream] : streams_)
        taken.push_back(std::move(stream));
    streams_.clear();
    return taken;
}

} // namespace veldo::audio
