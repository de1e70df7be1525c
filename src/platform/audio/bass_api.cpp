#include "platform/audio/bass.h"

#include <SDL.h>

// First cut: device opening only; streams are not available yet.
namespace {
int lastError = BASS_OK;
bool initialised = false;
} // namespace

BOOL BASS_Init(int, DWORD, DWORD, void*, const void*) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        lastError = BASS_ERROR_DEVICE;
        return false;
    }
    initialised = true;
    lastError = BASS_OK;
    return true;
}
HSTREAM BASS_StreamCreateURL(const char*, DWORD, DWORD, DOWNLOADPROC*, void*) {
    lastError = initialised ? BASS_ERROR_NOTAVAIL : BASS_ERROR_INIT;
    return 0;
}
BOOL BASS_ChannelPlay(DWORD, BOOL) {
    lastError = BASS_ERROR_HANDLE;
    return false;
}
BOOL BASS_ChannelPause(DWORD) {
    lastError = BASS_ERROR_HANDLE;
    return false;
}
BOOL BASS_ChannelStop(DWORD) {
    lastError = BASS_ERROR_HANDLE;
    return false;
}
DWORD BASS_ChannelIsActive(DWORD) {
    lastError = BASS_ERROR_HANDLE;
    return BASS_ACTIVE_STOPPED;
}
QWORD BASS_ChannelGetLength(DWORD, DWORD) {
    lastError = BASS_ERROR_HANDLE;
    return QWORD(-1);
}
QWORD BASS_ChannelGetPosition(DWORD, DWORD) {
    lastError = BASS_ERROR_HANDLE;
    return QWORD(-1);
}
double BASS_ChannelBytes2Seconds(DWORD, QWORD) {
    lastError = BASS_ERROR_HANDLE;
    return -1;
}
DWORD BASS_ChannelGetData(DWORD, void*, DWORD) {
    lastError = BASS_ERROR_HANDLE;
    return DWORD(-1);
}
int BASS_ErrorGetCode() {
    return lastError;
}
BOOL BASS_Free() {
    if (initialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    initialised = false;
    return true;
}
