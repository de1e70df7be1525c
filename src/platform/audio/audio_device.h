#pragma once
/* Threads: the caller opens and closes the device and adds and removes streams, one caller at a
 * time (bass_api.cpp holds its engine lock around every such call, whatever thread it is on);
 * SDL's audio thread runs the mixer callback, under SDL's device lock. The stream list is
 * written only by that caller and only while it holds that lock (SDL_LockAudioDevice); a list
 * that grows is built aside and swapped in, so the callback never walks storage that is being
 * reallocated. The callback itself takes no lock of ours and allocates nothing. */
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/stream.h"

namespace veldo::audio {

// The one output device: 44100 Hz, stereo, signed 16-bit, fed by a mixer callback.
class AudioDevice {
  public:
    AudioDevice() = default;
    ~AudioDevice() { Close(); }
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Opens the default device, paused. False when there is no usable device.
    bool Open();
    void Close();
    bool IsOpen() const { return device_ != 0; }
    // Starts the device once a stream has its prebuffer and should play.
    void Start();

    void Add(std::shared_ptr<Stream> stream);
    void Remove(const Stream* stream);

  private:
    static void Callback(void* self, uint8_t* out, int length);
    void Mix(uint8_t* out, int length);

    uint32_t device_ = 0;
    bool started_ = false;
    std::vector<std::shared_ptr<Stream>> streams_; // written under the device lock, see above
    std::vector<uint8_t> scratch_;                 // callback only; sized at Open
};

} // namespace veldo::audio
