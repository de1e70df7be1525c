#pragma once
// The audio library calls of the player, with the names and values of the BASS library.
// Our own engine stands behind them: libcurl downloads, libmpg123 decodes, SDL2 plays,
// KissFFT analyses. Callable from the UI thread; see the engine's sources for its threads.
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

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
HSTREAM BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                             void* user);
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);               // (QWORD)-1 on error
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);             // (QWORD)-1 on error
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);           // negative on error
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length); // (DWORD)-1 on error
int BASS_ErrorGetCode();
// Closes the device and frees every stream (tests and process end).
BOOL BASS_Free();
// Sets one of the BASS_CONFIG_ options for streams created afterwards.
BOOL BASS_SetConfig(DWORD option, DWORD value);
