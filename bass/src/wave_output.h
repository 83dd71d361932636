// The library's own output (device -1): one waveOut stream and one thread per playing
// song, pulling sound from the song's renderer through a callback.
//
// The thread keeps OUTPUT_BUFFERS buffers queued; each one that the device hands back is
// refilled from the renderer and queued again. When the renderer has no more sound and
// every queued buffer has been played, the output is finished. What was played is kept in
// a history ring, so callers can read the sound that has been played since they last
// asked (BASS_ChannelGetData on a playing song) without taking it from the device.
#ifndef BASS_WAVE_OUTPUT_H
#define BASS_WAVE_OUTPUT_H

#include <windows.h>

#include <mmsystem.h>
#include <stdint.h>

enum { OUTPUT_BUFFERS = 4, OUTPUT_BUFFER_MS = 100 };

// Fills `out` with up to `bytes` bytes of sound; 0 at the end of the song. Called on the
// output thread; the callee does its own locking.
typedef uint32_t (*PullSound)(void *song, uint8_t *out, uint32_t bytes);

struct WaveOutput {
    HWAVEOUT wave;
    HANDLE thread;
    HANDLE wake; // set by the device when a buffer comes back, and by stop requests
    volatile LONG stopRequest;
    volatile LONG finished; // 1 once all the song's sound has been played
    bool paused;
    PullSound pull;
    void *song;
    uint32_t frameBytes;
    uint32_t bufferBytes;
    uint8_t *memory; // the buffers, then the history ring
    WAVEHDR headers[OUTPUT_BUFFERS];
    bool queued[OUTPUT_BUFFERS];
    // History: the last historyBytes bytes handed to the device, by absolute byte count.
    CRITICAL_SECTION historyLock;
    uint8_t *history;
    uint32_t historyBytes;
    uint64_t written;   // bytes handed to the device since the start
    uint64_t delivered; // bytes given to callers from the history
};

// Opens device `device` (WAVE_MAPPER for the default) and starts the thread. Null when
// the device cannot be opened with this format.
WaveOutput *output_start(UINT device, uint32_t rate, uint32_t channels, uint32_t bits,
                         PullSound pull, void *song);
// Stops the thread, drops what is queued and closes the device. Must be called without
// holding any lock the pull callback takes.
void output_stop(WaveOutput *o);
void output_pause(WaveOutput *o);
void output_resume(WaveOutput *o);

// Played sound not yet handed to callers: bytes available (`out` null), or copies up to
// `bytes` of it into `out` and returns how many.
uint32_t output_played(WaveOutput *o, uint8_t *out, uint32_t bytes);

#endif
