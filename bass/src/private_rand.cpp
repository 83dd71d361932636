#include "private_rand.h"

// r[i] = r[i-31] + r[i-3] (mod 2^32), output r[i] >> 1. The first 34 words come from the
// seed by the minimal standard generator (16807 x mod 2^31 - 1) and a copy of the first
// three; the first 310 results are thrown away.
void rand_seed(RandState *s, uint32_t seed)
{
    int64_t word = seed ? seed : 1;
    s->r[0] = (uint32_t)word;
    for (int i = 1; i < 31; i++) {
        // Schrage's method, as the reference computes it: no 64-bit product needed
        // there, and the same result here.
        int64_t hi = word / 127773, lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0)
            word += 2147483647;
        s->r[i] = (uint32_t)word;
    }
    for (int i = 31; i < 34; i++)
        s->r[i] = s->r[i - 31];
    s->next = 0;
    for (int i = 0; i < 310; i++)
        rand_next(s);
}

int rand_next(RandState *s)
{
    // The ring holds r[k-34] .. r[k-1] with r[k-34] at `next`; r[k-31] is 3 places on
    // and r[k-3] is 31 places on.
    uint32_t v = s->r[(s->next + 3) % 34] + s->r[(s->next + 31) % 34];
    s->r[s->next] = v;
    s->next = (s->next + 1) % 34;
    return (int)(v >> 1);
}

static RandState *selected;

void rand_select(RandState *s)
{
    selected = s;
}

extern "C" int bass_private_rand(void)
{
    static RandState fallback;
    static bool seeded;
    if (!selected) {
        if (!seeded) {
            rand_seed(&fallback, 1);
            seeded = true;
        }
        selected = &fallback;
    }
    return rand_next(selected);
}
