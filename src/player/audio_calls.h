#pragma once
// The audio library calls the player makes, gathered in one table so that tests can put a
// scripted stream in place of the engine. UI thread.
#include "platform/audio/bass.h"

namespace veldo {

struct AudioCalls {
    decltype(&BASS_StreamCreateURL) streamCreateUrl = &BASS_StreamCreateURL;
    decltype(&BASS_ChannelPlay) channelPlay = &BASS_ChannelPlay;
    decltype(&BASS_ChannelPause) channelPause = &BASS_ChannelPause;
    decltype(&BASS_ChannelStop) channelStop = &BASS_ChannelStop;
    decltype(&BASS_ChannelIsActive) channelIsActive = &BASS_ChannelIsActive;
    decltype(&BASS_ChannelGetLength) channelGetLength = &BASS_ChannelGetLength;
    decltype(&BASS_ChannelGetPosition) channelGetPosition = &BASS_ChannelGetPosition;
    decltype(&BASS_ChannelBytes2Seconds) channelBytes2Seconds = &BASS_ChannelBytes2Seconds;
    decltype(&BASS_ChannelGetData) channelGetData = &BASS_ChannelGetData;
};

// What the engine answers for a length or position it cannot give, and for missing FFT data.
inline constexpr QWORD kUnknownBytes = QWORD(-1);
inline constexpr DWORD kNoData = DWORD(-1);

// The calls in use: the engine's, unless a ScopedAudioCalls has put others in place.
const AudioCalls& Audio();

// True while `stream` plays or waits for data to play on; false once it is paused, stopped,
// ended or was never opened (handle 0).
bool IsSounding(HSTREAM stream);

// Puts `calls` in place of the current ones for its own lifetime (tests).
class ScopedAudioCalls {
  public:
    explicit ScopedAudioCalls(const AudioCalls& calls);
    ~ScopedAudioCalls();
    ScopedAudioCalls(const ScopedAudioCalls&) = delete;
    ScopedAudioCalls& operator=(const ScopedAudioCalls&) = delete;

  private:
    AudioCalls calls_;
    const AudioCalls* previous_;
};

} // namespace veldo
