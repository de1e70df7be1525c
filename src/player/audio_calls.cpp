#include "player/audio_calls.h"

namespace veldo {
namespace {

const AudioCalls engineCalls;
const AudioCalls* callsInUse = &engineCalls;

} // namespace

const AudioCalls& Audio() {
    return *callsInUse;
}

ScopedAudioCalls::ScopedAudioCalls(const AudioCalls& calls) : calls_(calls), previous_(callsInUse) {
    callsInUse = &calls_;
}

ScopedAudioCalls::~ScopedAudioCalls() {
    callsInUse = previous_;
}

} // namespace veldo
