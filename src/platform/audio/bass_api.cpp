/* The BASS calls over our engine. Threads: any caller thread may call them (the program uses
 * the UI thread); `engineMutex` guards the device, the idle time and the settings; the handle
 * table has its own lock. BASS_StreamCreateURL waits for a new stream's prebuffer without
 * holding either lock. The device is open only while something plays: BASS_ChannelPlay opens
 * it on the caller's thread, and the idle watch's thread (device_idle_watch.h) closes it, under
 * `engineMutex`, once no stream has needed it for kIdleGrace. Streams run their own threads
 * (see stream.h); the device its callback (see audio_device.h). */
#include "platform/audio/bass.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "platform/audio/audio_device.h"
#include "platform/audio/device_idle_watch.h"
#include "platform/audio/handle_table.h"
#include "platform/net/net_timeouts.h"
#include "platform/net/url_scheme.h"

using veldo::audio::AudioDevice;
using veldo::audio::ChannelState;
using veldo::audio::DeviceIdleWatch;
using veldo::audio::FetchLimits;
using veldo::audio::HandleTable;
using veldo::audio::Stream;

namespace {

using Clock = std::chrono::steady_clock;
// How long the device stays open with nothing to play: a play soon after a pause finds it
// open; the watch's polls make it close between this and this plus kPollInterval.
constexpr std::chrono::milliseconds kIdleGrace{1000};

std::mutex engineMutex;
AudioDevice device;                         // under engineMutex
bool initialised = false;                   // under engineMutex: BASS_Init found a usable device
std::optional<Clock::time_point> idleSince; // under engineMutex: first poll that found no use
// What BASS_SetConfig set; an option never set follows the program's shared limits.
std::optional<long> connectTimeoutMs, readTimeoutMs; // under engineMutex
HandleTable handles;
thread_local int lastError = BASS_OK;

bool Fail(int code) {
    lastError = code;
    return false;
}

std::shared_ptr<Stream> FindStream(DWORD handle) {
    auto stream = handles.Find(handle);
    lastError = stream ? BASS_OK : BASS_ERROR_HANDLE;
    return stream;
}

bool IsInitialised() {
    std::lock_guard lock(engineMutex);
    return initialised;
}

// Idle watch thread: closes the device once no stream has needed it for kIdleGrace. True once
// it is closed.
bool CloseDeviceIfIdle() {
    std::lock_guard lock(engineMutex);
    if (!device.IsOpen()) return true;
    const Clock::time_point now = Clock::now();
    if (device.Needed()) {
        idleSince.reset();
        return false;
    }
    if (!idleSince) idleSince = now;
    if (now - *idleSince < kIdleGrace) return false;
    device.Close();
    idleSince.reset();
    return true;
}

// Declared after the device and the lock, so that it ends its thread before they go.
DeviceIdleWatch idleWatch(CloseDeviceIfIdle);

// Opens the device if it is closed. Caller holds engineMutex.
bool OpenDevice() {
    if (device.IsOpen()) return true;
    if (!device.Open()) return false;
    idleSince.reset();
    idleWatch.Arm();
    return true;
}

// Takes streams out of the device's mix, then destroys them (joining their threads).
void Release(std::vector<std::shared_ptr<Stream>> streams) {
    {
        std::lock_guard lock(engineMutex);
        for (const auto& stream : streams)
            device.Remove(stream.get());
    }
    streams.clear();
}

// The limits of a new stream. Caller holds engineMutex.
FetchLimits CurrentFetchLimits() {
    const veldo::NetTimeouts shared = veldo::CurrentNetTimeouts();
    return {connectTimeoutMs.value_or(long(shared.connect.count())),
            readTimeoutMs.value_or(long(shared.idle.count()))};
}

} // namespace

BOOL BASS_Init(int, DWORD, DWORD, void*, const void*) {
    std::lock_guard lock(engineMutex);
    if (!initialised) {
        // Proves that a device can be opened; nothing plays yet, so it is closed again at once
        // and the first play opens it.
        if (!device.Open()) return Fail(BASS_ERROR_DEVICE);
        device.Close();
        initialised = true;
    }
    lastError = BASS_OK;
    return true;
}

BOOL BASS_Free() {
    Release(handles.TakeAll());
    std::lock_guard lock(engineMutex);
    device.Close();
    device.RemoveAll(); // streams whose creation overlapped the release
    initialised = false;
    lastError = BASS_OK;
    return true;
}

BOOL BASS_SetConfig(DWORD option, DWORD value) {
    std::lock_guard lock(engineMutex);
    if (option == BASS_CONFIG_NET_TIMEOUT) {
        connectTimeoutMs = long(value);
    } else if (option == BASS_CONFIG_NET_READTIMEOUT) {
        readTimeoutMs = long(value);
    } else {
        return Fail(BASS_ERROR_NOTAVAIL);
    }
    lastError = BASS_OK;
    return true;
}

HSTREAM BASS_StreamCreateURL(const char* url, DWORD, DWORD, DOWNLOADPROC*, void*) {
    if (!IsInitialised()) return Fail(BASS_ERROR_INIT);
    if (!url || !veldo::IsHttpUrl(url)) return Fail(BASS_ERROR_FILEOPEN);
    // A stream that was stopped or has ended is not played again: free it now, so that
    // nothing grows with every sound.
    Release(handles.TakeFinished());
    FetchLimits limits;
    {
        std::lock_guard lock(engineMutex);
        limits = CurrentFetchLimits();
    }
    auto stream = std::make_shared<Stream>(url, limits);
    const std::chrono::milliseconds limit(limits.connectTimeoutMs + limits.stallTimeoutMs);
    if (!stream->WaitUntilReady(limit)) return Fail(stream->Error());
    {
        std::lock_guard lock(engineMutex);
        if (!initialised) return Fail(BASS_ERROR_INIT);
        device.Add(stream);
    }
    lastError = BASS_OK;
    return handles.Insert(std::move(stream));
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL) {
    auto stream = FindStream(handle);
    if (!stream) return false;
    std::lock_guard lock(engineMutex);
    if (!initialised) return Fail(BASS_ERROR_INIT);
    // Opened before the stream plays, so the first callback finds it playing and nothing is
    // cut from its start. An ended stream stays stopped, and the watch closes the device.
    if (!OpenDevice()) return Fail(BASS_ERROR_DEVICE);
    stream->Play();
    device.Start();
    idleSince.reset(); // a pause right after this play gets the whole grace period
    return true;
}

BOOL BASS_ChannelPause(DWORD handle) {
    auto stream = FindStream(handle);
    if (!stream) return false;
    // Not in the middle of a chunk: one rendered after the pause would move the position the
    // caller reads now, and play resumes from.
    bool paused = false;
    {
        std::lock_guard lock(engineMutex);
        device.BetweenCallbacks([&] { paused = stream->Pause(); });
    }
    return paused ? true : Fail(BASS_ERROR_NOTAVAIL);
}

BOOL BASS_ChannelStop(DWORD handle) {
    auto stream = FindStream(handle);
    if (!stream) return false;
    stream->Stop();
    return true;
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    auto stream = FindStream(handle);
    return stream ? DWORD(stream->State()) : BASS_ACTIVE_STOPPED;
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    auto stream = FindStream(handle);
    if (!stream) return QWORD(-1);
    if (mode != BASS_POS_BYTE) return Fail(BASS_ERROR_NOTAVAIL), QWORD(-1);
    const int64_t length = stream->LengthBytes();
    if (length < 0) return Fail(BASS_ERROR_NOTAVAIL), QWORD(-1); // not known yet
    return QWORD(length);
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    auto stream = FindStream(handle);
    if (!stream) return QWORD(-1);
    if (mode != BASS_POS_BYTE) return Fail(BASS_ERROR_NOTAVAIL), QWORD(-1);
    return QWORD(stream->PositionBytes());
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    auto stream = FindStream(handle);
    if (!stream) return -1;
    if (pos > QWORD(INT64_MAX)) return Fail(BASS_ERROR_NOTAVAIL), -1;
    return stream->BytesToSeconds(int64_t(pos));
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    auto stream = FindStream(handle);
    if (!stream) return DWORD(-1);
    if (length != BASS_DATA_FFT256 || !buffer) return Fail(BASS_ERROR_NOTAVAIL), DWORD(-1);
    stream->HeardSpectrum(static_cast<float*>(buffer));
    // Like BASS: the number of the channel's bytes the transform read.
    return DWORD(veldo::audio::kFftSize * stream->SourceFrameBytes());
}

QWORD BASS_StreamGetFilePosition(DWORD handle, DWORD mode) {
    auto stream = FindStream(handle);
    if (!stream) return QWORD(-1);
    const int64_t bytes = mode == BASS_FILEPOS_DOWNLOAD ? stream->FetchedBytes()
                          : mode == BASS_FILEPOS_END    ? stream->AnnouncedBytes()
                                                        : -1;
    if (bytes < 0) return Fail(BASS_ERROR_NOTAVAIL), QWORD(-1);
    lastError = BASS_OK;
    return QWORD(bytes);
}

int BASS_ErrorGetCode() {
    return lastError;
}
