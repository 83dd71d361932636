// in_tone.dll: a tiny input plug-in of our own that proves a host before the real plug-in
// exists. A "song" is a text file holding its length in milliseconds; playing it renders a
// known 16-bit stereo tone at 44100 Hz through the host's output module in blocks of 576
// frames, the way the real plug-in's decode thread does (seek, DSP, visualisation, end
// of song). A file that begins with "list" makes GetFileInfo enqueue two entries.
// Every call that shows nothing (Init, Quit, Config, About, InfoBox) is appended to the
// file named by the environment variable TONE_LOG, when it is set.
#include "winamp_records.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{

enum { RATE = 44100, CHANNELS = 2, BITS = 16, BLOCK_FRAMES = 576 };
const int FrameBytes = CHANNELS * BITS / 8;

In_Module g_module;
HANDLE g_thread;
volatile LONG g_stop;
volatile LONG g_seek = -1;
volatile LONG g_frame; // next frame to render
LONG g_totalFrames;
int g_lengthMs;
int g_paused;

void log_line(const char *format, const char *text)
{
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("TONE_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return;
    FILE *f = fopen(path, "ab");
    if (!f)
        return;
    fprintf(f, format, text);
    fputc('\n', f);
    fclose(f);
}

// The song's length, or -1 when the file cannot be read. *list: it asks for entries.
int song_length(const char *file, bool *list)
{
    char text[64] = "";
    FILE *f = file ? fopen(file, "rb") : nullptr;
    if (!f)
        return -1;
    size_t n = fread(text, 1, sizeof text - 1, f);
    fclose(f);
    text[n] = 0;
    *list = strncmp(text, "list", 4) == 0;
    return *list ? 0 : atoi(text);
}

} // namespace

// The tone's left channel at frame i; the right one is its negation. Tests compute it too.
extern "C" __declspec(dllexport) int tone_sample(int i)
{
    return (i % 441) * 128 - 28224;
}

namespace
{

DWORD WINAPI render(void *)
{
    Out_Module *out = g_module.outMod;
    // Room for twice a block: the DSP may double the frames it is given.
    static short block[2 * BLOCK_FRAMES * CHANNELS];
    bool ended = false;
    while (!g_stop) {
        LONG seek = InterlockedExchange(&g_seek, -1);
        if (seek >= 0) {
            LONG frame = (LONG)((int64_t)seek * RATE / 1000);
            g_frame = frame < g_totalFrames ? frame : g_totalFrames;
            out->Flush(seek);
            ended = false;
        }
        if (ended) {
            out->CanWrite();
            if (!out->IsPlaying()) {
                PostMessageA(g_module.hMainWindow, WM_WA_MPEG_EOF, 0, 0);
                return 0;
            }
            Sleep(2);
            continue;
        }
        int dsp = g_module.dsp_isactive();
        if (out->CanWrite() < BLOCK_FRAMES * FrameBytes * (dsp ? 2 : 1)) {
            Sleep(2);
            continue;
        }
        int frames = g_totalFrames - g_frame;
        if (frames > BLOCK_FRAMES)
            frames = BLOCK_FRAMES;
        if (frames <= 0) {
            ended = true;
            continue;
        }
        for (int i = 0; i < frames; i++) {
            block[2 * i] = (short)tone_sample(g_frame + i);
            block[2 * i + 1] = (short)-tone_sample(g_frame + i);
        }
        int time = (int)((int64_t)g_frame * 1000 / RATE);
        g_module.SAAddPCMData(block, CHANNELS, BITS, time);
        g_module.VSAAddPCMData(block, CHANNELS, BITS, time);
        g_frame += frames;
        if (dsp)
            frames = g_module.dsp_dosamples(block, frames, BITS, CHANNELS, RATE);
        out->Write((char *)block, frames * FrameBytes);
    }
    return 0;
}

void __cdecl config(HWND)
{
    log_line("%s", "config");
}
void __cdecl about(HWND)
{
    log_line("%s", "about");
}
void __cdecl init()
{
    log_line("%s", "init");
}
void __cdecl quit()
{
    log_line("%s", "quit");
}

void __cdecl get_file_info(char *file, char *title, int *length)
{
    if (!file || !file[0]) {
        strcpy(title, "now playing");
        *length = g_lengthMs;
        return;
    }
    bool list = false;
    *length = song_length(file, &list);
    const char *slash = strrchr(file, '\\');
    snprintf(title, 2048, "tone %s", slash ? slash + 1 : file);
    if (list) {
        static const char *const Members[] = {"<one", "<two"};
        for (const char *member : Members) {
            char entry[MAX_PATH];
            snprintf(entry, sizeof entry, "%s%s", file, member);
            EnqueueFile e = {entry, nullptr, 0};
            SendMessageA(g_module.hMainWindow, WM_USER, (WPARAM)&e, IPC_PLAYFILE);
        }
    }
}

int __cdecl info_box(char *file, HWND parent)
{
    char line[MAX_PATH + 32];
    snprintf(line, sizeof line, "infobox %s %s", file, parent ? "owned" : "unowned");
    log_line("%s", line);
    return 0;
}

void __cdecl stop()
{
    if (g_thread) {
        g_stop = 1;
        WaitForSingleObject(g_thread, INFINITE);
        CloseHandle(g_thread);
        g_thread = nullptr;
        g_module.outMod->Close();
        g_module.SAVSADeInit();
    }
}

int __cdecl play(char *file)
{
    bool list = false;
    int length = song_length(file, &list);
    if (length <= 0)
        return -1;
    stop();
    g_lengthMs = length;
    g_totalFrames = (LONG)((int64_t)length * RATE / 1000);
    g_frame = 0;
    g_seek = -1;
    g_stop = 0;
    g_paused = 0;
    g_module.SetInfo(RATE * CHANNELS * BITS / 1000, RATE / 1000, CHANNELS, 1);
    int latency = g_module.outMod->Open(RATE, CHANNELS, BITS, -1, -1);
    g_module.SAVSAInit(latency, RATE);
    g_module.VSASetInfo(RATE, CHANNELS);
    g_module.outMod->SetVolume(-666);
    g_thread = CreateThread(nullptr, 0, render, nullptr, 0, nullptr);
    return g_thread ? 0 : -1;
}

void __cdecl pause()
{
    g_paused = 1;
    g_module.outMod->Pause(1);
}

void __cdecl unpause()
{
    g_paused = 0;
    g_module.outMod->Pause(0);
}

int __cdecl is_paused()
{
    return g_paused;
}

int __cdecl get_length()
{
    return g_lengthMs;
}

int __cdecl get_output_time()
{
    int rendered = (int)((int64_t)g_frame * 1000 / RATE);
    return rendered + g_module.outMod->GetOutputTime() - g_module.outMod->GetWrittenTime();
}

void __cdecl set_output_time(int ms)
{
    g_seek = ms;
}

void __cdecl set_volume(int volume)
{
    g_module.outMod->SetVolume(volume);
}

void __cdecl set_pan(int pan)
{
    g_module.outMod->SetPan(pan);
}

} // namespace

extern "C" __declspec(dllexport) In_Module *__cdecl winampGetInModule2()
{
    g_module.version = IN_MODULE_VERSION;
    g_module.description = (char *)"Tone test plug-in";
    g_module.FileExtensions = (char *)"TONE\0Tone songs (*.TONE)\0";
    g_module.is_seekable = 1;
    g_module.UsesOutputPlug = 1;
    g_module.Config = config;
    g_module.About = about;
    g_module.Init = init;
    g_module.Quit = quit;
    g_module.GetFileInfo = get_file_info;
    g_module.InfoBox = info_box;
    g_module.Play = play;
    g_module.Pause = pause;
    g_module.UnPause = unpause;
    g_module.IsPaused = is_paused;
    g_module.Stop = stop;
    g_module.GetLength = get_length;
    g_module.GetOutputTime = get_output_time;
    g_module.SetOutputTime = set_output_time;
    g_module.SetVolume = set_volume;
    g_module.SetPan = set_pan;
    return &g_module;
}
