#include "player/audio_calls.h"

namespace veldo {
namespace {

const AudioCalls engineCalls;
const AudioCalls* callsInUse = &engineCalls;

} // namespace

const AudioCalls& Audio() {
    return *callsInUse;
}

bool IsSounding(HSTREAM stream) {
    const DWORD state = Audio().channelIsActive(stream);
    return state == BASS_ACTIVE_PLAYING || state == BASS_ACTIVE_STALLED;
}

ScopedAudioCalls::ScopedAudioCalls(const AudioCalls& calls) : calls_(calls), previous_(callsInUse) {
    callsInUse = &calls_;
}

ScopedAudioCalls::~ScopedAudioCalls() {
    callsInUse = previous_;
}

} // namespace veldo
