// One song rendered to PCM: the module renderer's context behind a byte stream.
//
// The renderer produces sound one tick ("frame") at a time; this layer hands it out in
// byte counts of the caller's choice, knows the song's exact length in bytes, ends the
// stream where the song first loops back, and seeks to any byte by rendering forward
// (the renderer itself can only jump to the start of an order, which is not the same
// sound). Portable: no windows.h; the library wraps it with locking and devices.
#ifndef BASS_RENDERER_H
#define BASS_RENDERER_H

#include <stddef.h>
#include <stdint.h>

#include "module_size.h"
#include "private_rand.h"

struct RenderSettings {
    uint32_t rate;    // output frequency in Hz
    bool eightBit;    // 8-bit unsigned instead of 16-bit signed little-endian
    bool mono;        // one channel instead of two (left first)
    bool nearest;     // nearest-neighbour instead of linear interpolation
    bool skipSamples; // leave sample data out (names and length only; renders silence)
    int player;       // 0, or the renderer's player mode applied to MOD files
};

// The song's end is where the renderer reports its first loop back, but never later than
// this many seconds, so a song whose end cannot be found still ends.
enum { MAX_SONG_SECONDS = 4 * 3600 };

struct Renderer {
    void *ctx; // the renderer's context (xmp_context)
    RenderSettings settings;
    ModuleKind kind;
    uint32_t frameBytes; // bytes per sample frame: channels x bytes per value
    uint64_t length;     // bytes of the whole song
    uint64_t position;   // bytes handed out since the start
    const uint8_t *tick; // the rest of the current tick's sound
    uint32_t tickLeft;   // its bytes
    bool ended;
    RandState rand; // this song's random sequence (see private_rand.h)
    char name[65];
    uint32_t orders;
};

// Loads `size` bytes of module (the renderer copies what it keeps). Fails (false, nothing
// to close) when no loader takes the data or the settings are out of range.
bool renderer_open(Renderer *r, const uint8_t *data, size_t size, ModuleKind kind,
                   const RenderSettings &settings);
void renderer_close(Renderer *r);

// Up to `bytes` bytes of sound (whole sample frames when `bytes` is a multiple of the
// frame size); fewer only at the end of the song, 0 once it has ended.
uint32_t renderer_read(Renderer *r, uint8_t *out, uint32_t bytes);

// Goes to byte `target` (rounded down to a whole sample frame): forward by rendering and
// dropping the sound, backward by starting over. At or past the end: the song has ended.
void renderer_seek(Renderer *r, uint64_t target);

// Bytes of the whole song at these settings, found by running the song's sequencer
// over a copy loaded without sample data, which mixes nothing; 0 when it does not load.
uint64_t song_length(const uint8_t *data, size_t size, ModuleKind kind,
                     const RenderSettings &settings);

#endif
