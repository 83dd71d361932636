// The reduce decoder (methods 2 to 5): bytes coded through per-byte follower sets, then
// expanded from a byte stream in which 144 (0x90) escapes a literal 144 or a copy.
//
// The dictionary is the output window: the largest distance (4096) fits in its 8192 bytes.
#include "methods.h"

enum { ESCAPE = 144 };

// Bits of a follower index for a set of n followers: the smallest b with 2^b >= n, and 1
// for a set of one.
static uint32_t index_bits(int n)
{
    uint32_t b = 1;
    while ((1 << b) < n)
        b++;
    return b;
}

void unreduce(Input *in, Output *out, ReduceArea *area, int factor)
{
    const uint32_t length_mask = 0x7Fu >> (factor - 1);
    const int distance_shift = 8 - factor;
    const uint32_t distance_mask = (1u << factor) - 1;

    // The follower sets are stored from byte 255 down to byte 0.
    for (int b = 255; b >= 0; b--) {
        int n = (int)take_bits(in, 6);
        area->count[b] = (uint8_t)n;
        for (int i = 0; i < n; i++)
            area->followers[b][i] = (uint8_t)take_bits(in, 8);
    }

    uint8_t last = 0;
    int state = 0;
    uint32_t v = 0, length = 0;
    while (!bits_overrun(in) && output_so_far(out) < out->declared) {
        uint32_t x;
        int n = area->count[last];
        if (n == 0 || take_bits(in, 1))
            x = take_bits(in, 8);
        else
            x = area->followers[last][take_bits(in, index_bits(n))]; // < 64 whatever the bits
        if (bits_overrun(in))
            break; // the byte was made of bits the input never had
        switch (state) {
        case 0:
            if (x == ESCAPE)
                state = 1;
            else
                put_byte(out, (uint8_t)x);
            break;
        case 1:
            if (x == 0) {
                put_byte(out, ESCAPE);
                state = 0;
            } else {
                v = x;
                length = v & length_mask;
                state = length == length_mask ? 2 : 3;
            }
            break;
        case 2:
            length += x;
            state = 3;
            break;
        default:
            copy_back(out, ((v >> distance_shift) & distance_mask) * 256 + x + 1, length + 3);
            state = 0;
            break;
        }
        last = (uint8_t)x;
    }
}
