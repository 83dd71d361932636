// The seventeen exported functions: device state, the table of loaded songs, and the
// error code of each thread's last call.
//
// One lock guards all library state and every call into the renderer (whose random
// numbers come from the state selected for the song being rendered, see private_rand.h).
// Output threads take it while they render; nothing waits for an output thread while
// holding it.
#define BASS_BUILDING
#include "bass.h"

#include <stdlib.h>
#include <string.h>

#include "gain.h"
#include "module_size.h"
#include "renderer.h"
#include "wave_output.h"

namespace
{

enum { MAX_SONGS = 64 };

struct Song {
    DWORD handle;
    Renderer renderer;
    bool decode; // only read through BASS_ChannelGetData, never played
    int volume;  // 0..VOLUME_FULL
    int pan;     // -PAN_EXTREME..PAN_EXTREME
    WaveOutput *output;
};

struct Library {
    bool initialised;
    int device; // BASS_DEVICE_NONE, or a waveOut device id (WAVE_MAPPER for the default)
    UINT waveDevice;
    uint32_t rate;
    bool eightBit;
    Song *songs[MAX_SONGS];
    uint16_t generation; // makes a freed slot's next handle differ from its last one
};

CRITICAL_SECTION lock;
DWORD errorSlot = TLS_OUT_OF_INDEXES;
Library lib;

// Every exported call sets the calling thread's error code (BASS_OK on success).
template <typename T> T fail(int code, T result)
{
    if (errorSlot != TLS_OUT_OF_INDEXES)
        TlsSetValue(errorSlot, (void *)(intptr_t)code);
    return result;
}

template <typename T> T ok(T result)
{
    return fail(BASS_OK, result);
}

struct Locked {
    Locked()
    {
        EnterCriticalSection(&lock);
    }
    ~Locked()
    {
        LeaveCriticalSection(&lock);
    }
};

// A handle is its slot + 1 in the low byte and a generation above it, never 0.
Song *find(DWORD handle)
{
    DWORD slot = (handle & 0xFF) - 1;
    if (slot >= MAX_SONGS || !lib.songs[slot] || lib.songs[slot]->handle != handle)
        return nullptr;
    return lib.songs[slot];
}

// Detaches a song from the table so no other call can reach it.
Song *take(DWORD handle)
{
    Song *s = find(handle);
    if (s)
        lib.songs[(handle & 0xFF) - 1] = nullptr;
    return s;
}

// The output thread's source. It names its song by handle: a song freed meanwhile
// simply has no more sound.
uint32_t pull_sound(void *param, uint8_t *out, uint32_t bytes)
{
    Locked hold;
    Song *s = find((DWORD)(uintptr_t)param);
    if (!s)
        return 0;
    uint32_t n = renderer_read(&s->renderer, out, bytes);
    apply_gain(out, n, s->renderer.settings.eightBit, s->renderer.settings.mono, s->volume, s->pan);
    return n;
}

WaveOutput *start_output(Song *s)
{
    const RenderSettings &r = s->renderer.settings;
    return output_start(lib.waveDevice, r.rate, r.mono ? 1 : 2, r.eightBit ? 8 : 16, pull_sound,
                        (void *)(uintptr_t)s->handle);
}

// Stops outputs. Called with the lock held; lets it go while the output threads end
// (they take it to render), so afterwards a song may be gone: callers that go on look
// their song up again by its handle.
void stop_outputs(WaveOutput **outputs, int count)
{
    if (count == 0)
        return;
    LeaveCriticalSection(&lock);
    for (int i = 0; i < count; i++)
        output_stop(outputs[i]);
    EnterCriticalSection(&lock);
}

void stop_output(Song *s)
{
    WaveOutput *o = s->output;
    s->output = nullptr;
    stop_outputs(&o, o ? 1 : 0);
}

void free_song(Song *s)
{
    stop_output(s);
    renderer_close(&s->renderer);
    rand_select(nullptr);
    free(s);
}

// How far the memory at `p` can be read: the committed, readable pages from there on
// that belong to the same allocation. A module handed over without its length may
// take no more than this.
size_t readable_extent(const uint8_t *p)
{
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    MEMORY_BASIC_INFORMATION mbi;
    const uint8_t *at = p;
    void *allocation = nullptr;
    while (VirtualQuery(at, &mbi, sizeof mbi) == sizeof mbi) {
        if (mbi.State != MEM_COMMIT || !(mbi.Protect & readable) || (mbi.Protect & PAGE_GUARD))
            break;
        if (at == p)
            allocation = mbi.AllocationBase;
        else if (mbi.AllocationBase != allocation)
            break;
        at = (const uint8_t *)mbi.BaseAddress + mbi.RegionSize;
        if ((size_t)(at - p) >= 0x7FFFFFFF)
            return 0x7FFFFFFF;
    }
    return (size_t)(at - p);
}

// A whole file in memory of our own (released by the caller with free).
uint8_t *read_file(const char *path, DWORD offset, DWORD length, size_t *size)
{
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD high = 0, low = GetFileSize(f, &high);
    uint8_t *data = nullptr;
    if (high == 0 && low != INVALID_FILE_SIZE && offset <= low) {
        DWORD n = low - offset;
        if (length && length < n)
            n = length;
        data = (uint8_t *)malloc(n ? n : 1);
        DWORD got = 0;
        if (data && SetFilePointer(f, (LONG)offset, nullptr, FILE_BEGIN) == offset &&
            ReadFile(f, data, n, &got, nullptr) && got == n) {
            *size = n;
        } else {
            free(data);
            data = nullptr;
        }
    }
    CloseHandle(f);
    return data;
}

RenderSettings settings_for(DWORD flags)
{
    RenderSettings s = {};
    s.rate = lib.rate;
    s.eightBit = lib.eightBit;
    s.mono = flags & BASS_MUSIC_MONO;
    s.nearest = flags & BASS_MUSIC_NONINTER;
    s.skipSamples = flags & BASS_MUSIC_NOSAMPLE;
    // The renderer's player modes stand in for the MOD playback choices (0x10 wins when
    // both are given). Volume ramping (0x1, 0x2) and surround (0x200, 0x400) have no
    // counterpart: the renderer always ramps, and renders no surround.
    s.player = flags & BASS_MUSIC_FT2MOD   ? 8 /* XMP_MODE_FT2 */
               : flags & BASS_MUSIC_PT1MOD ? 3 /* XMP_MODE_PROTRACKER */
                                           : 0;
    return s;
}

uint64_t bytes_per_second(const Song *s)
{
    return (uint64_t)s->renderer.settings.rate * s->renderer.frameBytes;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&lock);
        errorSlot = TlsAlloc();
    } else if (reason == DLL_PROCESS_DETACH) {
        if (errorSlot != TLS_OUT_OF_INDEXES)
            TlsFree(errorSlot);
    }
    return TRUE;
}

extern "C" {

BOOL BASS_API BASS_Init(int device, DWORD freq, DWORD flags, HWND)
{
    Locked hold;
    if (lib.initialised)
        return fail(BASS_ERROR_ALREADY, FALSE);
    if (freq < 4000 || freq > 49170) // what the renderer can mix
        return fail(BASS_ERROR_ILLPARAM, FALSE);
    // -2 and 0 mean no output; -1 the default device; 1, 2, ... the waveOut devices.
    if (device == BASS_DEVICE_NONE || device == 0) {
        lib.device = BASS_DEVICE_NONE;
    } else if (device == BASS_DEVICE_DEFAULT ||
               (device > 0 && (UINT)device <= waveOutGetNumDevs())) {
        if (waveOutGetNumDevs() == 0)
            return fail(BASS_ERROR_DEVICE, FALSE);
        lib.device = device;
        lib.waveDevice = device == BASS_DEVICE_DEFAULT ? WAVE_MAPPER : (UINT)device - 1;
    } else {
        return fail(BASS_ERROR_DEVICE, FALSE);
    }
    lib.rate = freq;
    lib.eightBit = flags & BASS_DEVICE_8BITS;
    lib.initialised = true;
    return ok(TRUE);
}

BOOL BASS_API BASS_Start(void)
{
    Locked hold;
    if (!lib.initialised)
        return fail(BASS_ERROR_INIT, FALSE);
    return ok(TRUE);
}

DWORD BASS_API BASS_MusicLoad(BOOL mem, void *file, DWORD offset, DWORD length, DWORD flags)
{
    Locked hold;
    if (!lib.initialised)
        return fail(BASS_ERROR_INIT, (DWORD)0);
    if (!file)
        return fail(BASS_ERROR_FILEOPEN, (DWORD)0);
    int slot = 0;
    while (slot < MAX_SONGS && lib.songs[slot])
        slot++;
    if (slot == MAX_SONGS)
        return fail(BASS_ERROR_NOCHAN, (DWORD)0);

    uint8_t *owned = nullptr;
    const uint8_t *data;
    size_t size;
    if (mem) {
        data = (const uint8_t *)file + offset;
        // Without a length the module's own headers say how long it is; they may not
        // take us past the memory we can read.
        size = length ? length : readable_extent(data);
    } else {
        owned = read_file((const char *)file, offset, length, &size);
        if (!owned)
            return fail(BASS_ERROR_FILEOPEN, (DWORD)0);
        data = owned;
    }
    ModuleExtent extent = module_extent(data, size);
    if (mem && !length)
        size = extent.size;

    Song *s = (Song *)calloc(1, sizeof *s);
    if (!s) {
        free(owned);
        return fail(BASS_ERROR_MEM, (DWORD)0);
    }
    bool loaded = renderer_open(&s->renderer, data, size, extent.kind, settings_for(flags));
    rand_select(nullptr);
    free(owned);
    if (!loaded) {
        free(s);
        return fail(BASS_ERROR_FILEFORM, (DWORD)0);
    }
    s->decode = (flags & BASS_MUSIC_DECODE) || lib.device == BASS_DEVICE_NONE;
    s->volume = VOLUME_FULL;
    s->pan = 0;
    lib.generation = (uint16_t)(lib.generation % 0xFFFF + 1);
    s->handle = ((DWORD)lib.generation << 8) | (DWORD)(slot + 1);
    lib.songs[slot] = s;
    return ok(s->handle);
}

// The song of a call on the library's own output (play, pause, resume): null, with the
// error code set, for a dead handle or a song the caller decodes itself.
static Song *output_song(DWORD handle)
{
    Song *s = find(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, (Song *)nullptr);
    if (s->decode)
        return fail(BASS_ERROR_DECODE, (Song *)nullptr);
    return s;
}

// A finished song cannot pause; resuming one only keeps it stopped.
static BOOL pause_or_resume(DWORD handle, bool pause)
{
    Locked hold;
    Song *s = output_song(handle);
    if (!s)
        return FALSE;
    if (!s->output || (pause && s->output->finished))
        return fail(BASS_ERROR_NOPLAY, FALSE);
    if (pause)
        output_pause(s->output);
    else
        output_resume(s->output);
    return ok(TRUE);
}

BOOL BASS_API BASS_MusicPlay(DWORD music)
{
    Locked hold;
    Song *s = output_song(music);
    if (!s)
        return FALSE;
    if (s->output) {
        // Playing already, or paused: go on from where it is.
        output_resume(s->output);
        return ok(TRUE);
    }
    s->output = start_output(s);
    if (!s->output)
        return fail(BASS_ERROR_DRIVER, FALSE);
    return ok(TRUE);
}

QWORD BASS_API BASS_MusicGetLength(DWORD music, BOOL playlen)
{
    Locked hold;
    Song *s = find(music);
    if (!s)
        return fail(BASS_ERROR_HANDLE, (QWORD)-1);
    // Without playlen: the number of orders in the song.
    return ok(playlen ? (QWORD)s->renderer.length : (QWORD)s->renderer.orders);
}

float BASS_API BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos)
{
    Locked hold;
    Song *s = find(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, -1.0f);
    return ok((float)((double)pos / (double)bytes_per_second(s)));
}

char *BASS_API BASS_MusicGetName(DWORD music)
{
    Locked hold;
    Song *s = find(music);
    if (!s)
        return fail(BASS_ERROR_HANDLE, (char *)nullptr);
    return ok(s->renderer.name);
}

BOOL BASS_API BASS_ChannelSetPosition(DWORD handle, QWORD pos)
{
    Locked hold;
    Song *s = find(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, FALSE);
    uint64_t target = pos;
    if ((pos >> 16) == 0xFFFFFFFFFFFFULL)
        target = (pos & 0xFFFF) * bytes_per_second(s);
    if (target > s->renderer.length)
        target = s->renderer.length; // past the end: the song has ended
    // A playing song restarts its output from the new place, so nothing queued before
    // the jump is heard after it.
    bool playing = s->output != nullptr, paused = playing && s->output->paused;
    stop_output(s);
    s = find(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, FALSE); // freed by another thread meanwhile
    renderer_seek(&s->renderer, target);
    if (playing) {
        s->output = start_output(s);
        if (s->output && paused)
            output_pause(s->output);
    }
    return ok(TRUE);
}

BOOL BASS_API BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan)
{
    Locked hold;
    Song *s = find(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, FALSE);
    // The output frequency is the device's; a requested one is accepted and ignored.
    (void)freq;
    if (volume != -1)
        s->volume = clamp_volume(volume);
    if (pan != -1)
        s->pan = clamp_pan(pan);
    return ok(TRUE);
}

BOOL BASS_API BASS_ChannelPause(DWORD handle)
{
    return pause_or_resume(handle, true);
}

BOOL BASS_API BASS_ChannelResume(DWORD handle)
{
    return pause_or_resume(handle, false);
}

DWORD BASS_API BASS_ChannelIsActive(DWORD handle)
{
    Locked hold;
    Song *s = find(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, (DWORD)BASS_ACTIVE_STOPPED);
    if (s->decode)
        return ok((DWORD)(s->renderer.ended ? BASS_ACTIVE_STOPPED : BASS_ACTIVE_PLAYING));
    if (!s->output || s->output->finished)
        return ok((DWORD)BASS_ACTIVE_STOPPED);
    return ok((DWORD)(s->output->paused ? BASS_ACTIVE_PAUSED : BASS_ACTIVE_PLAYING));
}

DWORD BASS_API BASS_ChannelGetData(DWORD handle, void *buffer, DWORD length)
{
    Locked hold;
    Song *s = find(handle);
    if (!s)
        return fail(BASS_ERROR_HANDLE, (DWORD)-1);
    uint32_t frame = s->renderer.frameBytes;
    // The top bits of a length ask for analyses (spectra, float samples) that this
    // library does not make; taken as a byte count they would overrun the buffer.
    if (length & 0xC0000000)
        return fail(BASS_ERROR_ILLPARAM, (DWORD)-1);
    if (!s->decode) {
        // A song the library plays: the sound played since the caller last asked.
        if (!s->output)
            return length ? fail(BASS_ERROR_NOPLAY, (DWORD)-1) : ok((DWORD)0);
        if (length == 0)
            return ok((DWORD)output_played(s->output, nullptr, 0));
        if (!buffer)
            return fail(BASS_ERROR_ILLPARAM, (DWORD)-1);
        return ok((DWORD)output_played(s->output, (uint8_t *)buffer, length));
    }
    if (length == 0) {
        // Bytes available: what is left of the song.
        uint64_t left = s->renderer.ended ? 0 : s->renderer.length - s->renderer.position;
        return ok((DWORD)(left > 0x7FFFFFFF ? 0x7FFFFFFF : left));
    }
    if (!buffer)
        return fail(BASS_ERROR_ILLPARAM, (DWORD)-1);
    // Whole sample frames only, so the channels never slip.
    uint32_t n = renderer_read(&s->renderer, (uint8_t *)buffer, length - length % frame);
    if (n == 0 && s->renderer.ended)
        return fail(BASS_ERROR_NOPLAY, (DWORD)-1);
    apply_gain((uint8_t *)buffer, n, s->renderer.settings.eightBit, s->renderer.settings.mono,
               s->volume, s->pan);
    return ok((DWORD)n);
}

int BASS_API BASS_ErrorGetCode(void)
{
    if (errorSlot == TLS_OUT_OF_INDEXES)
        return BASS_OK;
    return (int)(intptr_t)TlsGetValue(errorSlot);
}

BOOL BASS_API BASS_Stop(void)
{
    Locked hold;
    if (!lib.initialised)
        return fail(BASS_ERROR_INIT, FALSE);
    // Every song's output stops; the songs stay loaded where they are.
    WaveOutput *outputs[MAX_SONGS];
    int count = 0;
    for (int i = 0; i < MAX_SONGS; i++) {
        Song *s = lib.songs[i];
        if (s && s->output) {
            outputs[count++] = s->output;
            s->output = nullptr;
        }
    }
    stop_outputs(outputs, count);
    return ok(TRUE);
}

void BASS_API BASS_MusicFree(DWORD music)
{
    Locked hold;
    Song *s = take(music);
    if (!s) {
        fail(BASS_ERROR_HANDLE, 0);
        return;
    }
    free_song(s);
    ok(0);
}

void BASS_API BASS_Free(void)
{
    Locked hold;
    for (int i = 0; i < MAX_SONGS; i++) {
        Song *s = lib.songs[i];
        lib.songs[i] = nullptr;
        if (s)
            free_song(s);
    }
    if (!lib.initialised) {
        fail(BASS_ERROR_INIT, 0);
        return;
    }
    lib.initialised = false;
    ok(0);
}

} // extern "C"
