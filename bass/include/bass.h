// The playback library's interface as the plug-in uses it: seventeen __stdcall functions,
// exported from bass.dll under their undecorated names. Handles are 32 bits, byte
// positions 64 bits; a music handle of 0 means failure, and BASS_ErrorGetCode tells why
// the last call of the calling thread failed.
#ifndef BASS_H
#define BASS_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned __int64 QWORD;

#ifdef BASS_BUILDING
#define BASS_API __stdcall
#else
#define BASS_API __declspec(dllimport) __stdcall
#endif

// Devices for BASS_Init.
#define BASS_DEVICE_DEFAULT (-1) // play on the system's default waveOut device
#define BASS_DEVICE_NONE (-2)    // no output: the caller pulls sound with BASS_ChannelGetData

// Device flags (BASS_Init).
#define BASS_DEVICE_8BITS 0x1 // 8-bit unsigned output instead of 16-bit signed

// Music flags (BASS_MusicLoad).
#define BASS_MUSIC_RAMP 0x1          // accepted; the renderer always ramps volume changes
#define BASS_MUSIC_RAMPS 0x2         // accepted; as above
#define BASS_MUSIC_FT2MOD 0x10       // MOD files in the renderer's FastTracker 2 mode
#define BASS_MUSIC_PT1MOD 0x20       // MOD files in the renderer's ProTracker mode
#define BASS_MUSIC_MONO 0x40         // one channel
#define BASS_MUSIC_SURROUND 0x200    // accepted; no surround is rendered
#define BASS_MUSIC_SURROUND2 0x400   // accepted; no surround is rendered
#define BASS_MUSIC_NONINTER 0x4000   // nearest-neighbour instead of linear interpolation
#define BASS_MUSIC_DECODE 0x200000   // only for BASS_ChannelGetData, never played
#define BASS_MUSIC_NOSAMPLE 0x400000 // no sample data: name and length only, silence

// BASS_ChannelIsActive results.
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_PAUSED 3

// Error codes (BASS_ErrorGetCode).
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_INIT 8
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_NOCHAN 18
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24 // from BASS_ChannelGetData: the song has ended
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_DECODE 38

// BASS_ChannelSetPosition: a position whose upper 48 bits are all 1 names whole seconds
// in its low 16 bits; any other position is a byte offset.
#define BASS_POS_SECONDS(s) (0xFFFFFFFFFFFF0000ULL | ((QWORD)(s)&0xFFFF))

BOOL BASS_API BASS_Init(int device, DWORD freq, DWORD flags, HWND win);
BOOL BASS_API BASS_Start(void);
DWORD BASS_API BASS_MusicLoad(BOOL mem, void *file, DWORD offset, DWORD length, DWORD flags);
BOOL BASS_API BASS_MusicPlay(DWORD music);
QWORD BASS_API BASS_MusicGetLength(DWORD music, BOOL playlen);
float BASS_API BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
char *BASS_API BASS_MusicGetName(DWORD music);
BOOL BASS_API BASS_ChannelSetPosition(DWORD handle, QWORD pos);
BOOL BASS_API BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
BOOL BASS_API BASS_ChannelPause(DWORD handle);
BOOL BASS_API BASS_ChannelResume(DWORD handle);
DWORD BASS_API BASS_ChannelIsActive(DWORD handle);
DWORD BASS_API BASS_ChannelGetData(DWORD handle, void *buffer, DWORD length);
int BASS_API BASS_ErrorGetCode(void);
BOOL BASS_API BASS_Stop(void);
void BASS_API BASS_MusicFree(DWORD music);
void BASS_API BASS_Free(void);

#ifdef __cplusplus
}
#endif

#endif
