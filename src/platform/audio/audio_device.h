#pragma once
/* Threads: the caller opens and closes the device and adds and removes streams, one caller at a
 * time (bass_api.cpp holds its engine lock around every such call, whatever thread it is on:
 * a caller's, or the idle watch's that closes the device while nothing plays); SDL's audio
 * thread runs the mixer callback, under SDL's device lock, and exists only while the device is
 * open. The stream list is written only by that caller, and while the device is open only
 * while it holds SDL's lock (SDL_LockAudioDevice); a list that grows is built aside and swapped
 * in, so the callback never walks storage that is being reallocated. The callback itself takes
 * no lock of ours and allocates nothing. */
#include <cstdint>
#include <functional>
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

    // Opens the default device, paused. False when there is no usable device. The streams
    // added before stay in the mix.
    bool Open();
    // Closes the device (waiting for a callback under way) and SDL's audio with it; the streams
    // stay, for the next Open.
    void Close();
    bool IsOpen() const { return device_ != 0; }
    // Starts the device once a stream has its prebuffer and should play.
    void Start();
    // True while a stream plays or waits for data to play on: the device is needed.
    bool Needed() const;
    // Runs `change` between two callbacks, so that no chunk is being rendered meanwhile.
    void BetweenCallbacks(const std::function<void()>& change);

    // Streams join and leave the mix whether the device is open or not.
    void Add(std::shared_ptr<Stream> stream);
    void Remove(const Stream* stream);
    void RemoveAll();

  private:
    static void Callback(void* self, uint8_t* out, int length);
    void Mix(uint8_t* out, int length);

    uint32_t device_ = 0;
    bool started_ = false;
    std::vector<std::shared_ptr<Stream>> streams_; // written under the device lock, see above
    std::vector<uint8_t> scratch_;                 // callback only; sized at the first Open
};

} // namespace veldo::audio
