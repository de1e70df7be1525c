#pragma once
// The format the output device is opened with and every stream is converted to.
namespace veldo::audio {

inline constexpr int kDeviceRate = 44100;
inline constexpr int kDeviceChannels = 2;
inline constexpr int kDeviceFrameBytes = 4; // stereo, 16-bit

} // namespace veldo::audio
