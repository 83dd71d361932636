#include "wave_output.h"

#include <stdlib.h>
#include <string.h>

// Refills every buffer the device has handed back. Returns false once the song has no
// more sound.
static bool refill(WaveOutput *o)
{
    for (int i = 0; i < OUTPUT_BUFFERS && !o->stopRequest; i++) {
        WAVEHDR *h = &o->headers[i];
        if (o->queued[i] && !(h->dwFlags & WHDR_DONE))
            continue;
        o->queued[i] = false;
        uint8_t *block = (uint8_t *)h->lpData;
        uint32_t n = o->pull(o->song, block, o->bufferBytes);
        if (n == 0)
            return false;
        // Keep a copy for callers who read what was played.
        EnterCriticalSection(&o->historyLock);
        for (uint32_t done = 0; done < n;) {
            uint32_t at = (uint32_t)(o->written % o->historyBytes);
            uint32_t piece = n - done < o->historyBytes - at ? n - done : o->historyBytes - at;
            memcpy(o->history + at, block + done, piece);
            done += piece;
            o->written += piece;
        }
        LeaveCriticalSection(&o->historyLock);
        h->dwBufferLength = n;
        h->dwFlags &= ~WHDR_DONE;
        if (waveOutWrite(o->wave, h, sizeof *h) != MMSYSERR_NOERROR)
            return false;
        o->queued[i] = true;
    }
    return true;
}

static bool any_queued(WaveOutput *o)
{
    for (int i = 0; i < OUTPUT_BUFFERS; i++)
        if (o->queued[i] && !(o->headers[i].dwFlags & WHDR_DONE))
            return true;
    return false;
}

static DWORD WINAPI output_thread(void *param)
{
    WaveOutput *o = (WaveOutput *)param;
    bool more = true;
    while (!o->stopRequest) {
        if (more)
            more = refill(o);
        if (!more && !any_queued(o)) {
            InterlockedExchange(&o->finished, 1);
            break;
        }
        // The device sets the event for every buffer it hands back; the timeout only
        // guards against a driver that misses one.
        WaitForSingleObject(o->wake, 250);
    }
    return 0;
}

WaveOutput *output_start(UINT device, uint32_t rate, uint32_t channels, uint32_t bits,
                         PullSound pull, void *song)
{
    WaveOutput *o = (WaveOutput *)calloc(1, sizeof *o);
    if (!o)
        return nullptr;
    o->pull = pull;
    o->song = song;
    o->frameBytes = channels * bits / 8;
    o->bufferBytes = rate * OUTPUT_BUFFER_MS / 1000 * o->frameBytes;
    o->historyBytes = o->bufferBytes * OUTPUT_BUFFERS * 2;
    // The buffers, then the history ring of twice their size.
    o->memory = (uint8_t *)calloc((size_t)OUTPUT_BUFFERS * 3, o->bufferBytes);
    o->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    InitializeCriticalSection(&o->historyLock);
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = (WORD)channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = (WORD)bits;
    format.nBlockAlign = (WORD)o->frameBytes;
    format.nAvgBytesPerSec = rate * o->frameBytes;
    if (!o->memory || !o->wake ||
        waveOutOpen(&o->wave, device, &format, (DWORD_PTR)o->wake, 0, CALLBACK_EVENT) !=
            MMSYSERR_NOERROR) {
        o->wave = nullptr;
        output_stop(o);
        return nullptr;
    }
    o->history = o->memory + (size_t)OUTPUT_BUFFERS * o->bufferBytes;
    for (int i = 0; i < OUTPUT_BUFFERS; i++) {
        o->headers[i].lpData = (LPSTR)(o->memory + (size_t)i * o->bufferBytes);
        o->headers[i].dwBufferLength = o->bufferBytes;
        waveOutPrepareHeader(o->wave, &o->headers[i], sizeof o->headers[i]);
    }
    o->thread = CreateThread(nullptr, 0, output_thread, o, 0, nullptr);
    if (!o->thread) {
        output_stop(o);
        return nullptr;
    }
    return o;
}

void output_stop(WaveOutput *o)
{
    if (!o)
        return;
    if (o->thread) {
        InterlockedExchange(&o->stopRequest, 1);
        SetEvent(o->wake);
        WaitForSingleObject(o->thread, INFINITE);
        CloseHandle(o->thread);
    }
    if (o->wave) {
        waveOutReset(o->wave); // hands every queued buffer back
        for (int i = 0; i < OUTPUT_BUFFERS; i++)
            waveOutUnprepareHeader(o->wave, &o->headers[i], sizeof o->headers[i]);
        waveOutClose(o->wave);
    }
    if (o->wake)
        CloseHandle(o->wake);
    DeleteCriticalSection(&o->historyLock);
    free(o->memory);
    free(o);
}

void output_pause(WaveOutput *o)
{
    if (o && !o->paused) {
        waveOutPause(o->wave);
        o->paused = true;
    }
}

void output_resume(WaveOutput *o)
{
    if (o && o->paused) {
        waveOutRestart(o->wave);
        o->paused = false;
    }
}

uint32_t output_played(WaveOutput *o, uint8_t *out, uint32_t bytes)
{
    MMTIME t = {};
    t.wType = TIME_BYTES;
    waveOutGetPosition(o->wave, &t, sizeof t);
    EnterCriticalSection(&o->historyLock);
    // The device counts in 32 bits; the played position lies within a ring's length
    // below what was written, which places it in 64 bits.
    uint64_t played = t.wType == TIME_BYTES ? t.u.cb : 0;
    played += o->written & ~(uint64_t)0xFFFFFFFF;
    if (played > o->written)
        played -= (uint64_t)1 << 32;
    if (played > o->written || o->finished)
        played = o->written;
    played -= played % o->frameBytes;
    // Sound older than the ring holds is gone: skip to the oldest kept.
    if (o->delivered + o->historyBytes < o->written)
        o->delivered = o->written - o->historyBytes;
    uint64_t available = played > o->delivered ? played - o->delivered : 0;
    uint32_t n = available > 0xFFFFFFF0 ? 0xFFFFFFF0 : (uint32_t)available;
    if (out) {
        if (n > bytes)
            n = bytes - bytes % o->frameBytes;
        for (uint32_t done = 0; done < n;) {
            uint32_t at = (uint32_t)(o->delivered % o->historyBytes);
            uint32_t piece = n - done < o->historyBytes - at ? n - done : o->historyBytes - at;
            memcpy(out + done, o->history + at, piece);
            done += piece;
            o->delivered += piece;
        }
    }
    LeaveCriticalSection(&o->historyLock);
    return n;
}
