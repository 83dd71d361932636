// Volume and pan applied to rendered PCM, in integers so the result is the same on every
// machine. Volume 0..VOLUME_FULL scales both channels; pan -127 (left only) .. 127 (right
// only) turns the far channel down; mono sound takes the volume only. At full volume and
// centre pan the sound is left exactly as rendered.
#ifndef BASS_GAIN_H
#define BASS_GAIN_H

#include <stdint.h>

enum { VOLUME_FULL = 1020, PAN_EXTREME = 127 };

// Clamps a caller's values into range.
int clamp_volume(int volume);
int clamp_pan(int pan);

// `pcm` holds `bytes` bytes of 8-bit unsigned or 16-bit signed little-endian values, two
// channels interleaved left first unless mono.
void apply_gain(uint8_t *pcm, uint32_t bytes, bool eightBit, bool mono, int volume, int pan);

#endif
