// A private random generator for the renderer, the same sequence as the C library of the
// reference platform (an additive feedback generator over 34 words, seeded like srand(1)).
//
// The renderer draws random numbers for IT random volume and pan variation and for random
// LFO waveforms. The system C library's rand() keeps its state per thread and shares it
// with the host, so whatever the host draws would change the sound; this generator keeps
// one state per song instead. The renderer's sources are compiled with rand renamed to
// bass_private_rand, which draws from the state selected last (under the library's lock).
#ifndef BASS_PRIVATE_RAND_H
#define BASS_PRIVATE_RAND_H

#include <stdint.h>

struct RandState {
    uint32_t r[34]; // the last 34 values of the sequence, a ring
    uint32_t next;  // ring index of the oldest value
};

// The state srand(seed) makes.
void rand_seed(RandState *s, uint32_t seed);
// The next value, 0 to 2^31 - 1.
int rand_next(RandState *s);
// The state that bass_private_rand draws from from now on (null: a fixed default one).
void rand_select(RandState *s);

extern "C" int bass_private_rand(void);

#endif
