#include "playback.h"
#include "packed_modules.h"
#include "playback_library.h"
#include "plugin_state.h"
#include "winamp_records.h"

#include <mmsystem.h>

#include <atomic>
#include <string.h>

namespace
{

enum {
    BLOCK_FRAMES = 576, // the host's visualisation block
    NO_SEEK = -1,
    KEEP_VOLUME = -666 // the host's output value for "keep the current volume"
};

// A position whose upper 48 bits are all 1 names whole seconds in its low 16 bits.
QWORD whole_seconds(LONG seconds)
{
    return 0xFFFFFFFFFFFF0000ULL | ((QWORD)seconds & 0xFFFF);
}

struct Playback {
    CRITICAL_SECTION lock; // the host's entry points and the timer callback
    In_Module *module;

    // Fixed for one song at Play.
    SongFormat format;
    bool ownOutput; // the library plays this song on its own device
    DWORD blockSize;
    // Room for two blocks: a DSP may hand back twice the frames it was given.
    uint8_t *block;

    std::atomic<DWORD> music; // 0 when none
    std::atomic<LONG> paused;
    // Host output: milliseconds rendered. Library output: seconds counted by the timer.
    std::atomic<LONG> position;
    std::atomic<LONG> seekRequest; // milliseconds, NO_SEEK when none
    std::atomic<LONG> stopRequest;
    HANDLE thread;
    std::atomic<UINT> timer; // 0 when none

    // What Stop has to undo; a second Stop finds nothing.
    bool libraryStarted, outputOpen, visualisationOpen;

    Playback()
    {
        InitializeCriticalSection(&lock);
    }
};

Playback g_play;

struct Locked {
    Locked()
    {
        EnterCriticalSection(&g_play.lock);
    }
    ~Locked()
    {
        LeaveCriticalSection(&g_play.lock);
    }
};

Out_Module *output()
{
    return g_play.module ? g_play.module->outMod : nullptr;
}

void visualise(const uint8_t *pcm, LONG timestamp)
{
    In_Module *m = g_play.module;
    const SongFormat &f = g_play.format;
    if (m->SAAddPCMData)
        m->SAAddPCMData((void *)pcm, f.channels, f.bits, timestamp);
    if (m->VSAAddPCMData)
        m->VSAAddPCMData((void *)pcm, f.channels, f.bits, timestamp);
}

void post_end_of_song()
{
    PostMessageA(g_hostWindow, WM_WA_MPEG_EOF, 0, 0);
}

// One pass of the host-output loop: renders a block into the output module when it has
// room for what may come out of the DSP. Returns false once the end has been announced.
bool feed_output(Out_Module *out, bool *ended)
{
    Playback &p = g_play;
    const SongFormat &f = p.format;
    LONG seek = p.seekRequest.exchange(NO_SEEK);
    if (seek != NO_SEEK) {
        LONG at = seek - seek % 1000; // the library jumps to whole seconds
        g_playback.ChannelSetPosition(p.music, whole_seconds(at / 1000));
        p.position = at;
        out->Flush(at);
        *ended = false;
    }
    if (*ended) {
        out->CanWrite();
        if (!out->IsPlaying()) {
            post_end_of_song();
            return false;
        }
        Sleep(10);
        return true;
    }
    int room = out->CanWrite();
    bool dsp = p.module->dsp_isactive && p.module->dsp_isactive();
    if (room < (int)(p.blockSize * (dsp ? 2 : 1))) {
        Sleep(20);
        return true;
    }
    DWORD got = g_playback.ChannelGetData(p.music, p.block, p.blockSize);
    // -1 with error 24 is the end; any other failure means nothing more will come either.
    if (got == (DWORD)-1 || got == 0 || got > p.blockSize) {
        *ended = true;
        return true;
    }
    int frameBytes = f.channels * (f.bits / 8);
    visualise(p.block, p.position);
    p.position += BLOCK_FRAMES * 1000 / (LONG)f.frequency;
    int bytes = (int)got;
    if (dsp && p.module->dsp_dosamples) {
        int frames = p.module->dsp_dosamples((short *)p.block, bytes / frameBytes, f.bits,
                                             f.channels, (int)f.frequency);
        bytes = frames < 0                  ? 0
                : frames > 2 * BLOCK_FRAMES ? 2 * BLOCK_FRAMES * frameBytes
                                            : frames * frameBytes;
    }
    out->Write((char *)p.block, bytes);
    return true;
}

// Library output: the sound the library has played, shown to the visualisation once.
void feed_visualisation()
{
    Playback &p = g_play;
    DWORD ready = g_playback.ChannelGetData(p.music, nullptr, 0);
    if (ready == (DWORD)-1 || ready < p.blockSize) {
        Sleep(20);
        return;
    }
    DWORD got = g_playback.ChannelGetData(p.music, p.block, p.blockSize);
    if (got != (DWORD)-1 && got > 0)
        visualise(p.block, 0);
}

DWORD WINAPI decode_thread(void *)
{
    Out_Module *out = output();
    bool ended = false;
    while (!g_play.stopRequest) {
        if (g_play.ownOutput)
            feed_visualisation();
        else if (!feed_output(out, &ended))
            break;
    }
    return 0;
}

void stop_locked();

// Library output, once a second: the end of the song stops it and tells the host, once.
void CALLBACK end_of_song_check(UINT id, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)
{
    Locked hold;
    if (id != g_play.timer)
        return; // killed while this call waited for the lock
    if (g_playback.ChannelIsActive(g_play.music) == 0) {
        g_play.position = 0;
        stop_locked();
        post_end_of_song();
    }
    g_play.position++;
}

// Under the lock, when no timer runs.
void start_timer()
{
    if (g_play.timer)
        return;
    g_play.timer = timeSetEvent(1000, 1000, end_of_song_check, 0,
                                TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
}

// On the host's thread: outside the lock, because a synchronous kill waits for a callback
// that may itself be waiting for the lock. On the timer's own thread, inside its callback
// (the kill does not wait for itself there).
void kill_timer()
{
    UINT id = g_play.timer.exchange(0);
    if (id)
        timeKillEvent(id);
}

void stop_locked()
{
    Playback &p = g_play;
    if (p.thread) {
        p.stopRequest = 1;
        WaitForSingleObject(p.thread, INFINITE);
        CloseHandle(p.thread);
        p.thread = nullptr;
    }
    kill_timer();
    if (p.libraryStarted) {
        g_playback.Stop();
        if (p.music)
            g_playback.MusicFree(p.music);
        g_playback.Free();
        p.libraryStarted = false;
    }
    if (p.block) {
        VirtualFree(p.block, 0, MEM_RELEASE);
        p.block = nullptr;
    }
    Out_Module *out = output();
    if (p.outputOpen && out)
        out->Close();
    p.outputOpen = false;
    if (p.visualisationOpen && p.module->SAVSADeInit)
        p.module->SAVSADeInit();
    p.visualisationOpen = false;
    p.music = 0;
    // A change of output path made in the dialog takes effect from the next song.
    g_settings.libraryOutput = (uint32_t)g_pendingLibraryOutput;
}

int song_length_locked()
{
    DWORD music = g_play.music;
    if (!music)
        return 0;
    float seconds = g_playback.ChannelBytes2Seconds(music, g_playback.MusicGetLength(music, TRUE));
    return seconds > 0 && seconds < 2000000 ? (int)seconds * 1000 : 0;
}

} // namespace

void playback_attach(In_Module *module)
{
    g_play.module = module;
}

int play(const char *file)
{
    kill_timer();
    Locked hold;
    Playback &p = g_play;
    // A song still playing is stopped first: its thread would go on using a freed song.
    if (p.music || p.thread || p.libraryStarted)
        stop_locked();
    g_playback.Stop();
    g_playback.Free();

    ModuleImage image;
    if (!load_image(file, &image))
        return -1;
    p.ownOutput = g_settings.libraryOutput != 0;
    song_format(&g_settings, p.ownOutput, &p.format);
    const SongFormat &f = p.format;
    g_playback.Init(f.device, f.frequency, f.deviceFlags, g_hostWindow);
    g_playback.Start();
    p.libraryStarted = true;
    DWORD music = g_playback.MusicLoad(TRUE, image.bytes, 0, 0, f.musicFlags);
    // The library keeps what it needs; a packed entry's bytes stay with their record.
    release_image(&image);
    p.blockSize = (DWORD)(f.channels * BLOCK_FRAMES * (f.bits / 8));
    if (music)
        p.block = (uint8_t *)VirtualAlloc(nullptr, 2 * p.blockSize, MEM_COMMIT, PAGE_READWRITE);
    if (!music || !p.block) {
        if (music)
            g_playback.MusicFree(music);
        stop_locked();
        MessageBoxA(g_hostWindow, "Unable to load song", "Quorvel", MB_OK);
        return -1;
    }
    p.music = music;
    p.paused = 0;
    p.position = 0;
    p.seekRequest = NO_SEEK;

    In_Module *m = p.module;
    Out_Module *out = output();
    if (m->SetInfo)
        m->SetInfo(f.bits * (int)f.frequency * f.channels / 1000, (int)f.frequency / 1000,
                   f.channels, 1);
    int latency = 0;
    if (!p.ownOutput && out) {
        latency = out->Open((int)f.frequency, f.channels, f.bits, -1, -1);
        p.outputOpen = true;
    }
    if (m->SAVSAInit)
        m->SAVSAInit(latency, (int)f.frequency);
    if (m->VSASetInfo)
        m->VSASetInfo((int)f.frequency, f.channels);
    p.visualisationOpen = true;
    if (p.outputOpen)
        out->SetVolume(KEEP_VOLUME);
    p.stopRequest = 0;
    if (p.ownOutput) {
        g_playback.MusicPlay(music);
        start_timer();
    }
    if (p.ownOutput || out)
        p.thread = CreateThread(nullptr, 0, decode_thread, nullptr, 0, nullptr);
    return 0;
}

void stop()
{
    kill_timer();
    Locked hold;
    stop_locked();
}

void pause_song()
{
    if (g_play.ownOutput)
        kill_timer();
    Locked hold;
    if (g_play.ownOutput) {
        if (g_play.music)
            g_playback.ChannelPause(g_play.music);
    } else if (g_play.outputOpen) {
        output()->Pause(1);
    }
    g_play.paused = 1;
}

void unpause_song()
{
    Locked hold;
    if (g_play.ownOutput) {
        if (g_play.music) {
            g_playback.ChannelResume(g_play.music);
            start_timer();
        }
    } else if (g_play.outputOpen) {
        output()->Pause(0);
    }
    g_play.paused = 0;
}

int is_paused()
{
    return g_play.paused;
}

int song_length_ms()
{
    Locked hold;
    return song_length_locked();
}

int output_time_ms()
{
    Locked hold;
    if (g_play.ownOutput)
        return g_play.position * 1000;
    Out_Module *out = output();
    if (!g_play.outputOpen || !out)
        return g_play.position;
    return g_play.position + out->GetOutputTime() - out->GetWrittenTime();
}

void seek_to_ms(int ms)
{
    if (ms < 0)
        ms = 0;
    Locked hold;
    if (g_play.ownOutput) {
        if (g_play.music) {
            g_play.position = ms / 1000;
            g_playback.ChannelSetPosition(g_play.music, whole_seconds(ms / 1000));
        }
    } else {
        g_play.seekRequest = ms; // the decode thread jumps and flushes the output
    }
}

void set_volume(int volume)
{
    Locked hold;
    Out_Module *out = output();
    if (g_play.ownOutput) {
        if (g_play.music)
            g_playback.ChannelSetAttributes(g_play.music, -1, volume * 4, -1);
    } else if (out) {
        out->SetVolume(volume);
    }
}

void set_pan(int pan)
{
    Locked hold;
    Out_Module *out = output();
    if (g_play.ownOutput) {
        if (g_play.music)
            g_playback.ChannelSetAttributes(g_play.music, -1, -1, pan);
    } else if (out) {
        out->SetPan(pan);
    }
}

void playing_song_info(char *title, int titleSize, int *lengthMs)
{
    Locked hold;
    *lengthMs = song_length_locked();
    const char *name = g_play.music ? g_playback.MusicGetName(g_play.music) : nullptr;
    lstrcpynA(title, name ? name : "", titleSize);
}

void with_playback_lock(void (*work)(void *), void *context)
{
    Locked hold;
    work(context);
}

void playback_quit()
{
    stop();
    Locked hold;
    g_playback.Stop();
    g_playback.Free();
}
