// What a play request becomes before any device is touched: the wave format, and the part
// before the loop and the loop itself, checked against the PCM the library hands out.
// The sample info dialog stores any numbers the user types, so nothing here trusts the
// entry: a loop that does not fit the PCM plays the sample once, a rate of 0 plays
// nothing. Portable.
#ifndef GRABBER_PLAY_SHAPE_H
#define GRABBER_PLAY_SHAPE_H

#include "virn.h"

#include <stdint.h>

enum PlayVerdict {
    PLAY_GO,     // shape filled in
    PLAY_EMPTY,  // no whole frame of PCM: nothing to play
    PLAY_NO_RATE // rate 0: nothing can play it
};

struct PlayShape {
    uint16_t channels;   // 1 or 2
    uint16_t bits;       // 8 or 16
    uint16_t blockAlign; // bytes per frame
    uint32_t rate;
    uint32_t byteRate; // blockAlign x rate, saturated at 32 bits
    bool looped;       // false: play `total` bytes once
    bool pingPong;     // the loop is played forward, then backward
    uint32_t total;    // bytes of the play buffer: the PCM once, or intro + loop
    uint32_t intro;    // bytes before the loop (looped only)
    uint32_t loop;     // bytes of the loop as played: doubled for ping-pong (looped only)
};

// The smallest buffer a DirectSound device accepts, in bytes.
enum { DSOUND_MIN_BUFFER = 4 };

// `pcmBytes` is what the library writes for the entry (its own byteLength); the entry is
// the window's copy with the user's rate and loop points. Loop points are cut to whole
// frames; a looped request whose loop ends beyond the PCM, starts at or after its end, or
// is shorter than one frame (two frames and DSOUND_MIN_BUFFER bytes for DirectSound,
// whose streaming needs two halves) becomes a one-shot play of the whole PCM.
PlayVerdict shape_play(const CatalogEntry *entry, uint32_t pcmBytes, bool looped, bool dsound,
                       PlayShape *shape);

// Builds the play buffer of a looped ping-pong shape in `out` (shape->total bytes): the
// PCM up to the loop's end, then the loop's frames in reverse order.
void build_ping_pong(const PlayShape *shape, const uint8_t *pcm, uint8_t *out);

// Reverses the order of the frames in [start, start + length) of `buffer`.
void reverse_frames(uint8_t *buffer, uint32_t start, uint32_t length, uint32_t frameSize);

// OutputVolume as each kind of output takes it. A volume saved together with the other
// kind of device (a DirectSound attenuation, which is negative, on a waveOut device, or a
// waveOut level on DirectSound) is carried over through its preferences position.
uint32_t waveout_level(uint32_t device, uint32_t volume);
int32_t dsound_attenuation(uint32_t device, uint32_t volume);

#endif
