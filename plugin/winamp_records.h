// The media player's input- and output-module records, as its published plug-in SDK lays
// them out: every function pointer is __cdecl. The host (host/) and the plug-in share
// this header. The layout is the 32-bit one; 64-bit builds of the same code get the same
// fields at their natural offsets.
#ifndef PLUGIN_WINAMP_RECORDS_H
#define PLUGIN_WINAMP_RECORDS_H

#include <windows.h>

#include <stddef.h>

#define IN_MODULE_VERSION 0x100
#define OUT_MODULE_VERSION 0x10

// Host window messages. WM_USER with lParam IPC_PLAYFILE enqueues a file (wParam points to
// an EnqueueFile); with IPC_GETINIDIRECTORY it returns the settings folder (char *).
#define IPC_PLAYFILE 100
#define IPC_GETINIDIRECTORY 335
#define WM_WA_MPEG_EOF (WM_USER + 2)

struct EnqueueFile {
    const char *filename;
    const char *title;
    int length;
};

struct Out_Module {
    int version;
    char *description;
    int id;
    HWND hMainWindow;
    HINSTANCE hDllInstance;
    void(__cdecl *Config)(HWND parent);
    void(__cdecl *About)(HWND parent);
    void(__cdecl *Init)(void);
    void(__cdecl *Quit)(void);
    int(__cdecl *Open)(int samplerate, int numchannels, int bitspersamp, int bufferlenms,
                       int prebufferms);
    void(__cdecl *Close)(void);
    int(__cdecl *Write)(char *buf, int len);
    int(__cdecl *CanWrite)(void);
    int(__cdecl *IsPlaying)(void);
    int(__cdecl *Pause)(int pause);
    void(__cdecl *SetVolume)(int volume);
    void(__cdecl *SetPan)(int pan);
    void(__cdecl *Flush)(int t);
    int(__cdecl *GetOutputTime)(void);
    int(__cdecl *GetWrittenTime)(void);
};

struct In_Module {
    int version;
    char *description;
    HWND hMainWindow;
    HINSTANCE hDllInstance;
    char *FileExtensions;
    int is_seekable;
    int UsesOutputPlug;
    void(__cdecl *Config)(HWND parent);
    void(__cdecl *About)(HWND parent);
    void(__cdecl *Init)(void);
    void(__cdecl *Quit)(void);
    void(__cdecl *GetFileInfo)(char *file, char *title, int *length_in_ms);
    int(__cdecl *InfoBox)(char *file, HWND parent);
    int(__cdecl *IsOurFile)(char *fn);
    int(__cdecl *Play)(char *fn);
    void(__cdecl *Pause)(void);
    void(__cdecl *UnPause)(void);
    int(__cdecl *IsPaused)(void);
    void(__cdecl *Stop)(void);
    int(__cdecl *GetLength)(void);
    int(__cdecl *GetOutputTime)(void);
    void(__cdecl *SetOutputTime)(int time_in_ms);
    void(__cdecl *SetVolume)(int volume);
    void(__cdecl *SetPan)(int pan);
    void(__cdecl *SAVSAInit)(int maxlatency_in_ms, int srate);
    void(__cdecl *SAVSADeInit)(void);
    void(__cdecl *SAAddPCMData)(void *PCMData, int nch, int bps, int timestamp);
    int(__cdecl *SAGetMode)(void);
    void(__cdecl *SAAdd)(void *data, int timestamp, int csa);
    void(__cdecl *VSAAddPCMData)(void *PCMData, int nch, int bps, int timestamp);
    int(__cdecl *VSAGetMode)(int *specNch, int *waveNch);
    void(__cdecl *VSAAdd)(void *data, int timestamp);
    void(__cdecl *VSASetInfo)(int srate, int nch);
    int(__cdecl *dsp_isactive)(void);
    int(__cdecl *dsp_dosamples)(short *samples, int numsamples, int bps, int nch, int srate);
    void(__cdecl *EQSet)(int on, char data[10], int preamp);
    void(__cdecl *SetInfo)(int bitrate, int srate, int stereo, int synched);
    Out_Module *outMod;
};

typedef In_Module *(__cdecl *GetInModuleFunction)(void);

#if !defined(_WIN64)
static_assert(sizeof(Out_Module) == 80, "Out_Module is 20 words");
static_assert(offsetof(Out_Module, Open) == 36, "Out_Module.Open");
static_assert(offsetof(Out_Module, GetWrittenTime) == 76, "Out_Module.GetWrittenTime");
static_assert(sizeof(In_Module) == 152, "In_Module is 38 words");
static_assert(offsetof(In_Module, Play) == 56, "In_Module.Play");
static_assert(offsetof(In_Module, SAVSAInit) == 96, "In_Module.SAVSAInit");
static_assert(offsetof(In_Module, dsp_dosamples) == 136, "In_Module.dsp_dosamples");
static_assert(offsetof(In_Module, outMod) == 148, "In_Module.outMod");
#endif

#endif
