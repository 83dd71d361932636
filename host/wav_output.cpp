#include "wav_output.h"
#include "winamp_records.h"

#include <stdio.h>
#include <string.h>
#include <vector>

namespace
{

struct Device {
    CRITICAL_SECTION lock;
    bool lockReady;
    WavOutputOptions options;
    WavOutputStats stats;
    FILE *file;
    std::vector<char> buffer; // bytes written and not played, oldest first
    size_t capacity;
    uint64_t limitBytes; // the play limit in whole frames of the open format
    bool paused;
    bool held;
    int flushBase;          // output and written time start here after a Flush
    uint64_t sinceFlushIn;  // bytes written since the last Flush
    uint64_t sinceFlushOut; // bytes played since the last Flush
};

Device g_device;

void lock()
{
    if (!g_device.lockReady) {
        InitializeCriticalSection(&g_device.lock);
        g_device.lockReady = true;
    }
    EnterCriticalSection(&g_device.lock);
}

void unlock()
{
    LeaveCriticalSection(&g_device.lock);
}

int bytes_per_second()
{
    int n = g_device.stats.rate * g_device.stats.channels * (g_device.stats.bits / 8);
    return n > 0 ? n : 1;
}

int ms_of(uint64_t bytes)
{
    return (int)(bytes * 1000 / (uint64_t)bytes_per_second());
}

void put32(unsigned char *p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

// The 44-byte header of a PCM WAV file with `data` bytes.
void write_header(FILE *f, uint32_t data)
{
    unsigned char h[44];
    int rate = g_device.stats.rate, channels = g_device.stats.channels, bits = g_device.stats.bits;
    memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + data);
    memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put32(h + 20, 1 | (uint32_t)channels << 16);
    put32(h + 24, (uint32_t)rate);
    put32(h + 28, (uint32_t)bytes_per_second());
    put32(h + 32, (uint32_t)(channels * bits / 8) | (uint32_t)bits << 16);
    memcpy(h + 36, "data", 4);
    put32(h + 40, data);
    fseek(f, 0, SEEK_SET);
    fwrite(h, 1, sizeof h, f);
    fseek(f, 0, SEEK_END);
}

// Under the lock: how many of n waiting bytes may play now.
size_t playable(size_t n)
{
    if (g_device.paused || g_device.held)
        return 0;
    uint64_t limit = g_device.limitBytes;
    if (limit) {
        uint64_t left = limit > g_device.stats.playedBytes ? limit - g_device.stats.playedBytes : 0;
        if (n > left)
            n = (size_t)left;
    }
    return n;
}

void play_bytes(const char *bytes, size_t n)
{
    if (n == 0)
        return;
    if (g_device.file)
        fwrite(bytes, 1, n, g_device.file);
    g_device.stats.playedBytes += n;
    g_device.sinceFlushOut += n;
}

// Under the lock: everything that may play now goes from the buffer into the file.
void play_locked()
{
    size_t n = playable(g_device.buffer.size());
    play_bytes(g_device.buffer.data(), n);
    g_device.buffer.erase(g_device.buffer.begin(), g_device.buffer.begin() + (ptrdiff_t)n);
}

void __cdecl out_config(HWND)
{
}

void __cdecl out_about(HWND)
{
}

void __cdecl out_init()
{
}

void __cdecl out_quit()
{
}

int __cdecl out_open(int rate, int channels, int bits, int bufferMs, int)
{
    lock();
    WavOutputStats &s = g_device.stats;
    s.opens++;
    s.rate = rate;
    s.channels = channels;
    s.bits = bits;
    s.bufferMs = bufferMs > 0 ? bufferMs : 2000;
    size_t frame = (size_t)(channels > 0 ? channels : 1) * (size_t)(bits >= 8 ? bits / 8 : 1);
    g_device.capacity = (size_t)bytes_per_second() * (size_t)s.bufferMs / 1000 / frame * frame;
    g_device.limitBytes =
        (uint64_t)bytes_per_second() * g_device.options.playLimitMs / 1000 / frame * frame;
    g_device.buffer.clear();
    g_device.paused = false;
    g_device.held = g_device.options.holdUntilFlush;
    g_device.flushBase = 0;
    g_device.sinceFlushIn = g_device.sinceFlushOut = 0;
    if (g_device.file)
        fclose(g_device.file);
    g_device.file = g_device.options.path ? fopen(g_device.options.path, "wb") : nullptr;
    if (g_device.file)
        write_header(g_device.file, 0);
    int latency = s.bufferMs;
    unlock();
    return latency;
}

void __cdecl out_close()
{
    lock();
    g_device.stats.closes++;
    g_device.buffer.clear(); // what has not been played is never heard
    if (g_device.file) {
        uint64_t data = g_device.stats.playedBytes;
        write_header(g_device.file, (uint32_t)(data > 0xFFFFFFD0u ? 0xFFFFFFD0u : data));
        fclose(g_device.file);
        g_device.file = nullptr;
    }
    unlock();
}

int __cdecl out_write(char *buf, int len)
{
    lock();
    g_device.stats.writes++;
    if (len > 0) {
        g_device.stats.writtenBytes += (uint64_t)len;
        g_device.sinceFlushIn += (uint64_t)len;
        // Played at once unless paused or held: the buffer then fills only when a
        // listener would not hear it yet, so a plug-in that waits for room never waits for
        // the host's loop. Nothing waiting: straight into the file.
        bool now = g_device.options.playOnWrite;
        size_t played = now && g_device.buffer.empty() ? playable((size_t)len) : 0;
        play_bytes(buf, played);
        g_device.buffer.insert(g_device.buffer.end(), buf + played, buf + len);
        if (now)
            play_locked();
    }
    unlock();
    return 0;
}

int __cdecl out_can_write()
{
    lock();
    size_t used = g_device.buffer.size();
    int room = used < g_device.capacity ? (int)(g_device.capacity - used) : 0;
    unlock();
    return room;
}

int __cdecl out_is_playing()
{
    lock();
    int playing = !g_device.buffer.empty();
    unlock();
    return playing;
}

int __cdecl out_pause(int on)
{
    lock();
    int was = g_device.paused;
    g_device.paused = on != 0;
    g_device.stats.pauses++;
    unlock();
    return was;
}

void __cdecl out_set_volume(int volume)
{
    lock();
    g_device.stats.volumeCalls++;
    if (volume != -666) // the player's value for "keep the current volume"
        g_device.stats.lastVolume = volume;
    unlock();
}

void __cdecl out_set_pan(int pan)
{
    lock();
    g_device.stats.panCalls++;
    g_device.stats.lastPan = pan;
    unlock();
}

void __cdecl out_flush(int t)
{
    lock();
    g_device.stats.flushes++;
    g_device.stats.lastFlush = t;
    g_device.buffer.clear();
    g_device.flushBase = t;
    g_device.sinceFlushIn = g_device.sinceFlushOut = 0;
    g_device.held = false;
    unlock();
}

int __cdecl out_get_output_time()
{
    lock();
    int t = g_device.flushBase + ms_of(g_device.sinceFlushOut);
    unlock();
    return t;
}

int __cdecl out_get_written_time()
{
    lock();
    int t = g_device.flushBase + ms_of(g_device.sinceFlushIn);
    unlock();
    return t;
}

Out_Module g_module = {OUT_MODULE_VERSION,
                       (char *)"Quorvel host WAV writer",
                       0x7157,
                       nullptr,
                       nullptr,
                       out_config,
                       out_about,
                       out_init,
                       out_quit,
                       out_open,
                       out_close,
                       out_write,
                       out_can_write,
                       out_is_playing,
                       out_pause,
                       out_set_volume,
                       out_set_pan,
                       out_flush,
                       out_get_output_time,
                       out_get_written_time};

} // namespace

Out_Module *wav_output_module()
{
    return &g_module;
}

void wav_output_configure(const WavOutputOptions *options)
{
    lock();
    g_device.options = *options;
    memset(&g_device.stats, 0, sizeof g_device.stats);
    g_device.buffer.clear();
    unlock();
}

bool wav_output_play()
{
    lock();
    play_locked();
    bool waiting = !g_device.buffer.empty();
    unlock();
    return waiting;
}

bool wav_output_limit_reached()
{
    lock();
    bool reached = g_device.limitBytes && g_device.stats.playedBytes >= g_device.limitBytes;
    unlock();
    return reached;
}

WavOutputStats wav_output_stats()
{
    lock();
    WavOutputStats s = g_device.stats;
    unlock();
    return s;
}
