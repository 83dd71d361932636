// The deflate decoder (method 8, RFC 1951).
//
// Input comes one byte at a time through read_byte into a bit buffer of its own; output
// goes through a 32 KB sliding window that is handed to the member's output whenever it
// fills, and once at the end. Invariant: the last 32768 bytes of output (or all of it, when
// less) are always in the window.
//
// A stream need not end properly. Once the member's input is used up the decoder reads
// zero bytes, and in some codes zero bits decode to an endless run of output; so the decode
// ends when a symbol would take bits that the input never had, or when the output reaches
// the member's declared size. Neither is an error here: the size and CRC checks of the
// member tell whether what came out is whole.
#include <stdlib.h>
#include <string.h>

#include "decoders.h"

namespace
{

// Base lengths and extra bits of length codes 257..285; 286 and 287 are not assigned.
const uint16_t LENGTH_BASE[31] = {3,  4,   5,   6,   7,   8,   9,   10, 11, 13, 15,
                                  17, 19,  23,  27,  31,  35,  43,  51, 59, 67, 83,
                                  99, 115, 131, 163, 195, 227, 258, 0,  0};
const uint8_t LENGTH_EXTRA[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,          2,         2,
                                  3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, OP_INVALID, OP_INVALID};
// Distance codes 0..29; 30 and 31 have no meaning and decode as invalid data.
const uint16_t DIST_BASE[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,   33,
                                49,   65,   97,   129,  193,  257,   385,   513,   769, 1025, 1537,
                                2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 0,   0};
const uint8_t DIST_EXTRA[32] = {0,  0,  0,  0,  1,  1,  2,  2,  3,          3,         4,
                                4,  5,  5,  6,  6,  7,  7,  8,  8,          9,         9,
                                10, 10, 11, 11, 12, 12, 13, 13, OP_INVALID, OP_INVALID};
// The order in which code-length code lengths are stored.
const uint8_t CODE_LENGTH_ORDER[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                       11, 4,  12, 3, 13, 2, 14, 1, 15};

// Internal results besides INFLATE_OK and the errors: the member's input ran out, or its
// declared size is reached. Both end the decode normally.
enum { INFLATE_MORE = -1, INFLATE_INPUT_END = -2, INFLATE_FULL = -3 };

struct Inflate {
    UnzipState *s;
    uint8_t *window;
    uint32_t wpos;    // next free byte of the window
    uint64_t handed;  // bytes handed to the output before the window's current content
    uint64_t limit;   // the member's declared size
    bool wrapped;     // the window has been handed over at least once
    uint32_t bitbuf;  // pending input bits, first bit lowest
    uint32_t bitcnt;  // valid bits in bitbuf, zero padding included
    uint32_t padbits; // how many of the top valid bits are padding past the input's end
};

// Makes sure n (<= 24) bits are present, padding with zero bytes past the input's end.
inline void need(Inflate *z, uint32_t n)
{
    while (z->bitcnt < n) {
        uint8_t b;
        if (!read_byte(z->s, &b)) {
            b = 0;
            z->padbits += 8;
        }
        z->bitbuf |= (uint32_t)b << z->bitcnt;
        z->bitcnt += 8;
    }
}

inline void drop(Inflate *z, uint32_t n)
{
    z->bitbuf >>= n;
    z->bitcnt -= n;
}

inline uint32_t take(Inflate *z, uint32_t n)
{
    need(z, n);
    uint32_t v = z->bitbuf & ((1u << n) - 1);
    drop(z, n);
    return v;
}

// True once the decoder has consumed padding: whatever it decoded last is not real.
inline bool overrun(const Inflate *z)
{
    return z->bitcnt < z->padbits;
}

// Decodes one symbol; its entry comes back with op OP_INVALID for an invalid code.
inline HuffCode decode(Inflate *z, const HuffCode *table, uint32_t width)
{
    need(z, width);
    HuffCode e = table[z->bitbuf & ((1u << width) - 1)];
    if (e.op > OP_LITERAL && e.op != OP_INVALID) {
        // A link: the primary bits are resolved, the sub-table takes the next ones.
        drop(z, e.bits);
        uint32_t sub = e.op - OP_LITERAL;
        need(z, sub);
        e = table[e.val + (z->bitbuf & ((1u << sub) - 1))];
    }
    if (e.op != OP_INVALID)
        drop(z, e.bits);
    return e;
}

int hand_over(Inflate *z)
{
    int status = emit_output(z->s, z->window, z->wpos);
    z->handed += z->wpos;
    z->wpos = 0;
    z->wrapped = true;
    return status == StatusOk ? (int)INFLATE_MORE : (int)INFLATE_NO_MEMORY;
}

inline bool full(const Inflate *z)
{
    return z->handed + z->wpos >= z->limit;
}

// Copies a match inside the window, in pieces that run past the window's end neither at
// the source nor at the destination.
int copy_match(Inflate *z, uint32_t length, uint32_t distance)
{
    while (length > 0) {
        uint32_t from = (z->wpos - distance) & (INFLATE_WINDOW - 1);
        uint32_t n = length;
        if (n > INFLATE_WINDOW - z->wpos)
            n = INFLATE_WINDOW - z->wpos;
        if (n > INFLATE_WINDOW - from)
            n = INFLATE_WINDOW - from;
        uint8_t *to = z->window + z->wpos;
        const uint8_t *src = z->window + from;
        if ((from < z->wpos && z->wpos - from < n) || n < 32) {
            // Byte by byte where the source overlaps what this copy writes, so that a match
            // closer than its length repeats its own output; and for short matches, where
            // a library call costs more than the copy.
            for (uint32_t i = 0; i < n; i++)
                to[i] = src[i];
        } else {
            memmove(to, src, n);
        }
        z->wpos += n;
        length -= n;
        if (z->wpos == INFLATE_WINDOW && hand_over(z) != INFLATE_MORE)
            return INFLATE_NO_MEMORY;
    }
    return INFLATE_MORE;
}

int decode_codes(Inflate *z, const HuffCode *lit, uint32_t lit_width, const HuffCode *dist,
                 uint32_t dist_width)
{
    for (;;) {
        HuffCode e = decode(z, lit, lit_width);
        if (e.op == OP_INVALID)
            return INFLATE_INVALID;
        if (overrun(z))
            return INFLATE_INPUT_END;
        if (e.op == OP_LITERAL) {
            z->window[z->wpos++] = (uint8_t)e.val;
            if (z->wpos == INFLATE_WINDOW && hand_over(z) != INFLATE_MORE)
                return INFLATE_NO_MEMORY;
        } else if (e.op == OP_END) {
            return INFLATE_MORE;
        } else {
            uint32_t length = e.val + take(z, e.op);
            HuffCode d = decode(z, dist, dist_width);
            if (d.op == OP_INVALID)
                return INFLATE_INVALID;
            uint32_t distance = d.val + take(z, d.op);
            if (overrun(z))
                return INFLATE_INPUT_END;
            // A distance before the member's first byte would copy whatever the window
            // held before: that is invalid data, not a reason to show stale memory.
            if (!z->wrapped && distance > z->wpos)
                return INFLATE_INVALID;
            if (copy_match(z, length, distance) != INFLATE_MORE)
                return INFLATE_NO_MEMORY;
        }
        if (full(z))
            return INFLATE_FULL;
    }
}

int stored_block(Inflate *z)
{
    drop(z, z->bitcnt & 7);
    uint32_t length = take(z, 16);
    uint32_t check = take(z, 16);
    if (overrun(z))
        return INFLATE_INPUT_END;
    if ((length ^ 0xFFFF) != check)
        return INFLATE_INVALID;
    while (length-- > 0) {
        uint8_t b = (uint8_t)take(z, 8);
        if (overrun(z))
            return INFLATE_INPUT_END;
        z->window[z->wpos++] = b;
        if (z->wpos == INFLATE_WINDOW && hand_over(z) != INFLATE_MORE)
            return INFLATE_NO_MEMORY;
        if (full(z))
            return INFLATE_FULL;
    }
    return INFLATE_MORE;
}

int fixed_block(Inflate *z)
{
    UnzipState *s = z->s;
    if (!s->fixed_built) {
        // Built at the first fixed block of the call and kept for every later one.
        uint8_t lengths[288];
        memset(lengths, 8, 144);
        memset(lengths + 144, 9, 112);
        memset(lengths + 256, 7, 24);
        memset(lengths + 280, 8, 8);
        s->fixed_lit_width = 7;
        int r = build_huffman_table(lengths, 288, 257, LENGTH_BASE, LENGTH_EXTRA, s->fixed_lit,
                                    FIXED_LIT_SIZE, &s->fixed_lit_width);
        if (r != 0)
            return r;
        memset(lengths, 5, 30);
        s->fixed_dist_width = 5;
        r = build_huffman_table(lengths, 30, 0, DIST_BASE, DIST_EXTRA, s->fixed_dist,
                                FIXED_DIST_SIZE, &s->fixed_dist_width);
        if (r > 1) // 30 of 32 five-bit codes: incomplete, and accepted as such
            return r;
        s->fixed_built = 1;
        s->fixed_builds++;
    }
    return decode_codes(z, s->fixed_lit, s->fixed_lit_width, s->fixed_dist, s->fixed_dist_width);
}

int dynamic_block(Inflate *z)
{
    UnzipState *s = z->s;
    uint32_t nlit = take(z, 5) + 257;
    uint32_t ndist = take(z, 5) + 1;
    uint32_t ncode = take(z, 4) + 4;
    uint8_t lengths[288 + 32];
    memset(lengths, 0, 19);
    for (uint32_t i = 0; i < ncode; i++)
        lengths[CODE_LENGTH_ORDER[i]] = (uint8_t)take(z, 3);
    if (overrun(z))
        return INFLATE_INPUT_END;
    unsigned lens_width = 7;
    int r = build_huffman_table(lengths, 19, 19, nullptr, nullptr, s->lens_table, LENS_TABLE_SIZE,
                                &lens_width);
    if (r != 0)
        return r;

    uint32_t total = nlit + ndist;
    uint32_t i = 0;
    while (i < total) {
        HuffCode e = decode(z, s->lens_table, lens_width);
        if (e.op == OP_INVALID)
            return INFLATE_INVALID;
        uint32_t sym = e.val;
        if (sym < 16) {
            lengths[i++] = (uint8_t)sym;
            continue;
        }
        uint8_t value = 0;
        uint32_t repeat;
        if (sym == 16) {
            // A repeat needs something to repeat.
            if (i == 0)
                return INFLATE_INVALID;
            value = lengths[i - 1];
            repeat = 3 + take(z, 2);
        } else if (sym == 17) {
            repeat = 3 + take(z, 3);
        } else {
            repeat = 11 + take(z, 7);
        }
        if (i + repeat > total)
            return INFLATE_INVALID;
        memset(lengths + i, value, repeat);
        i += repeat;
        if (overrun(z))
            return INFLATE_INPUT_END;
    }
    if (overrun(z))
        return INFLATE_INPUT_END;

    unsigned lit_width = 9;
    r = build_huffman_table(lengths, nlit, 257, LENGTH_BASE, LENGTH_EXTRA, s->lit_table,
                            LIT_TABLE_SIZE, &lit_width);
    if (r != 0)
        return r;
    unsigned dist_width = 6;
    r = build_huffman_table(lengths + nlit, ndist, 0, DIST_BASE, DIST_EXTRA, s->dist_table,
                            DIST_TABLE_SIZE, &dist_width);
    if (r > 1) // an incomplete distance code is accepted
        return r;
    return decode_codes(z, s->lit_table, lit_width, s->dist_table, dist_width);
}

} // namespace

int inflate_member(UnzipState *s)
{
    Inflate z;
    memset(&z, 0, sizeof z);
    z.s = s;
    z.limit = s->uncompressed_size;
    z.window = (uint8_t *)malloc(INFLATE_WINDOW);
    if (!z.window)
        return INFLATE_NO_MEMORY;

    int r = full(&z) ? (int)INFLATE_FULL : (int)INFLATE_MORE;
    bool last = false;
    while (r == INFLATE_MORE && !last) {
        last = take(&z, 1) != 0;
        uint32_t type = take(&z, 2);
        if (overrun(&z)) {
            r = INFLATE_INPUT_END;
            break;
        }
        switch (type) {
        case 0:
            r = stored_block(&z);
            break;
        case 1:
            r = fixed_block(&z);
            break;
        case 2:
            r = dynamic_block(&z);
            break;
        default:
            r = INFLATE_BAD_BLOCK;
            break;
        }
    }
    if (r <= INFLATE_OK) {
        // A completed last block, used-up input or a full member: the window holds output.
        r = hand_over(&z) == INFLATE_MORE ? (int)INFLATE_OK : (int)INFLATE_NO_MEMORY;
    }
    free(z.window);
    return r;
}
