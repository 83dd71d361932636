// The playback library's seventeen functions as the plug-in calls them, through one table:
// the plug-in's playback code binds it to bass.dll, tests bind it to a recorder of their
// own, so the code that hands images to the library runs without it.
#ifndef PLUGIN_PLAYBACK_LIBRARY_H
#define PLUGIN_PLAYBACK_LIBRARY_H

#include <windows.h>

#include <stdint.h>

typedef uint64_t QWORD;

struct PlaybackLibrary {
    BOOL(WINAPI *Init)(int device, DWORD freq, DWORD flags, HWND win);
    BOOL(WINAPI *Start)(void);
    DWORD(WINAPI *MusicLoad)(BOOL mem, void *file, DWORD offset, DWORD length, DWORD flags);
    BOOL(WINAPI *MusicPlay)(DWORD music);
    QWORD(WINAPI *MusicGetLength)(DWORD music, BOOL playlen);
    float(WINAPI *ChannelBytes2Seconds)(DWORD handle, QWORD pos);
    char *(WINAPI *MusicGetName)(DWORD music);
    BOOL(WINAPI *ChannelSetPosition)(DWORD handle, QWORD pos);
    BOOL(WINAPI *ChannelSetAttributes)(DWORD handle, int freq, int volume, int pan);
    BOOL(WINAPI *ChannelPause)(DWORD handle);
    BOOL(WINAPI *ChannelResume)(DWORD handle);
    DWORD(WINAPI *ChannelIsActive)(DWORD handle);
    DWORD(WINAPI *ChannelGetData)(DWORD handle, void *buffer, DWORD length);
    int(WINAPI *ErrorGetCode)(void);
    BOOL(WINAPI *Stop)(void);
    void(WINAPI *MusicFree)(DWORD music);
    void(WINAPI *Free)(void);
};

// The table every playback call goes through; filled by the library binding.
extern PlaybackLibrary g_playback;

// The end of the song in ChannelGetData's error code.
enum { PLAYBACK_ERROR_ENDED = 24 };

#endif
