// The reduce decoder (methods 2 to 5): bytes coded through per-byte follower sets, then
// expanded from a byte stream in which 144 (0x90) escapes a literal 144 or a copy.
//
// The dictionary is the engine's output window: the largest distance (4096) fits in its
// 8192 bytes, and the window holds output byte o at index o mod 8192.
#include "decoders.h"

enum { ESCAPE = 144 };

// Bits of a follower index for a set of n followers: the smallest b with 2^b >= n, and 1
// for a set of one.
static int index_bits(int n)
{
    int b = 1;
    while ((1 << b) < n)
        b++;
    return b;
}

// Copies n bytes from `distance` back; the part before the member's first byte is zeros.
static void copy_back(UnzipState *s, uint32_t n, uint32_t distance)
{
    int64_t p = (int64_t)output_so_far(s) - distance;
    while (p < 0 && n > 0) {
        put_byte(s, 0);
        p++;
        n--;
    }
    uint32_t from = (uint32_t)(p % WINDOW_SIZE);
    if (from + n < WINDOW_SIZE && s->window_count + n < WINDOW_SIZE) {
        // Byte by byte, oldest first: a copy closer than its length repeats its output.
        for (uint32_t i = 0; i < n; i++)
            s->window_pointer[i] = s->output_window[from + i];
        s->window_pointer += n;
        s->window_count += n;
        return;
    }
    for (uint32_t i = 0; i < n; i++) {
        put_byte(s, s->output_window[from]);
        from = (from + 1) % WINDOW_SIZE;
    }
}

void unreduce(UnzipState *s, int factor)
{
    const uint32_t length_mask = 0x7Fu >> (factor - 1);
    const int distance_shift = 8 - factor;
    const uint32_t distance_mask = (1u << factor) - 1;

    // The follower sets are stored from byte 255 down to byte 0.
    for (int b = 255; b >= 0; b--) {
        int n = (int)read_bits(s, 6);
        s->follower_count[b] = (uint8_t)n;
        for (int i = 0; i < n; i++)
            s->followers[b][i] = (uint8_t)read_bits(s, 8);
    }
    if (s->input_exhausted)
        return;

    uint8_t last = 0;
    int state = 0;
    uint32_t v = 0, length = 0;
    while (output_so_far(s) < s->uncompressed_size && !s->input_exhausted) {
        uint32_t x;
        int n = s->follower_count[last];
        if (n == 0 || read_bits(s, 1))
            x = read_bits(s, 8);
        else
            x = s->followers[last][read_bits(s, index_bits(n))]; // < 64 whatever the bits
        if (s->input_exhausted)
            break; // the byte was made of bits the input never had
        switch (state) {
        case 0:
            if (x == ESCAPE)
                state = 1;
            else
                put_byte(s, (uint8_t)x);
            break;
        case 1:
            if (x == 0) {
                put_byte(s, ESCAPE);
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
            copy_back(s, length + 3, ((v >> distance_shift) & distance_mask) * 256 + x + 1);
            state = 0;
            break;
        }
        last = (uint8_t)x;
    }
}
