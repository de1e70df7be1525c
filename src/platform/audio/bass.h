#pragma once
// The audio library calls of the player, with the names and values of the BASS library.
// Our own engine stands behind them: libcurl downloads, libmpg123 decodes, SDL2 plays,
// KissFFT analyses. Every call may be made from any thread, also at the same time as others
// (the program makes them on the UI thread); what each one locks or waits for is said with it.
// Each thread has its own last error. A call that found a stream keeps it alive until it
// returns: should another thread free that stream meanwhile, this call ends its threads. See
// the engine's sources for the threads it runs itself.
#include <cstdint>

using DWORD = uint32_t;
using QWORD = uint64_t;
using HSTREAM = DWORD;
using BOOL = int;

inline constexpr DWORD BASS_ACTIVE_STOPPED = 0;
inline constexpr DWORD BASS_ACTIVE_PLAYING = 1;
inline constexpr DWORD BASS_ACTIVE_STALLED = 2;
inline constexpr DWORD BASS_ACTIVE_PAUSED = 3;
inline constexpr DWORD BASS_POS_BYTE = 0;
inline constexpr DWORD BASS_DATA_FFT256 = 0x80000000;
inline constexpr DWORD BASS_FILEPOS_DOWNLOAD = 1; // bytes of the file fetched so far
inline constexpr DWORD BASS_FILEPOS_END = 2;      // the file's announced length

// Error codes readable with BASS_ErrorGetCode.
inline constexpr int BASS_OK = 0;
inline constexpr int BASS_ERROR_HANDLE = 5;   // invalid handle
inline constexpr int BASS_ERROR_FORMAT = 6;   // unsupported sample format / no MPEG audio
inline constexpr int BASS_ERROR_INIT = 8;     // BASS_Init has not been successfully called
inline constexpr int BASS_ERROR_FILEOPEN = 2; // the URL could not be opened
inline constexpr int BASS_ERROR_TIMEOUT = 40; // connection or download timed out
inline constexpr int BASS_ERROR_DEVICE = 23;  // no usable output device
inline constexpr int BASS_ERROR_NOTAVAIL = 37;
inline constexpr int BASS_ERROR_UNKNOWN = -1;

// Options of BASS_SetConfig (values as in BASS), in milliseconds.
inline constexpr DWORD BASS_CONFIG_NET_TIMEOUT = 11;     // connect time-out, default 10000
inline constexpr DWORD BASS_CONFIG_NET_READTIMEOUT = 37; // no data for this long ends a
                                                         // download, default 30000

using DOWNLOADPROC = void(const void* buffer, DWORD length, void* user);

// Any thread. Opens the output device under the engine's lock to see that it works, and closes
// it again: the device is open only while something plays. A second call succeeds and changes
// nothing.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
// Any thread. Blocks the calling thread until the stream has its prebuffer (half a second),
// fails or times out (connect plus read time-out); no engine lock is held meanwhile, so calls
// from other threads go on. Frees streams that were stopped or played to their end first.
HSTREAM BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                             void* user);
// Any thread. Takes the engine's lock to open and start the device if nothing played in the
// last second or so (the engine closes it within 2 s of the last sound stopping, pausing or
// ending); fails with BASS_ERROR_DEVICE if it cannot be opened again.
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
// Any thread; they take only short locks (the handle table's; for the length of a file of
// unknown size, its download buffer's) and never wait for the stream's threads.
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);     // (QWORD)-1 on error
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);   // (QWORD)-1 on error
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos); // negative on error
// Any thread; takes its download buffer's lock. (QWORD)-1 on error, and for BASS_FILEPOS_END
// when no length was announced. A stream that stopped by itself with less downloaded than
// its end was cut: the rest of the file could not be had.
QWORD BASS_StreamGetFilePosition(DWORD handle, DWORD mode);
// Any thread; takes the stream's own lock around the transform.
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length); // (DWORD)-1 on error
// Any thread: the error of the last call made on the calling thread (a per-thread value, so
// another thread's calls never change it).
int BASS_ErrorGetCode();
// Closes the device and frees every stream (tests and process end). Any thread; it blocks
// until the streams' threads have ended and the device's callback has returned. A stream whose
// creation on another thread overlaps it may keep its handle (without the device); the next
// BASS_Free frees it.
BOOL BASS_Free();
// Sets one of the BASS_CONFIG_ options for streams created afterwards. Any thread, under the
// engine's lock.
BOOL BASS_SetConfig(DWORD option, DWORD value);
