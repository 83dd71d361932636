// The deflate decoder (method 8, RFC 1951).
//
// Input comes one byte at a time through read_byte into a bit buffer of its own; output
// goes through a 32 KB sliding window that is handed to the member's output whenever it
// fills, and once at the end. Invariant: the last 32768 bytes of output (or all of it, when
// less) are always in the window.
//
// Two paths decode the same codes. The careful one (decode, take, copy_match) pulls input
// with read_byte, pads with zero bytes past the member's end and hands the window over the
// moment it fills. The fast one (decode_fast) runs while its conditions make all of that
// impossible: at least 8 member bytes are left in the current 512-byte input block, so it
// takes whole bytes straight from the block (the same bytes, in the same order, that
// read_byte would deliver, and never one beyond the member's compressed size); and the
// longest match (258 bytes) still fits before the window's end, so nothing is handed over
// inside it. It also stops, like the careful path, once the declared size is reached.
// Whenever a condition fails it gives the state back to the careful path, which takes a
// symbol or two until the next block is in or the window has been handed over. Stored
// blocks copy their bytes from the input block to the window in runs.
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
    uint64_t bitbuf;  // pending input bits, first bit lowest; the bits above bitcnt are 0
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
        z->bitbuf |= (uint64_t)b << z->bitcnt;
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
    uint32_t v = (uint32_t)z->bitbuf & ((1u << n) - 1);
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
    HuffCode e = table[(uint32_t)z->bitbuf & ((1u << width) - 1)];
    if (e.op > OP_LITERAL && e.op != OP_INVALID) {
        // A link: the primary bits are resolved, the sub-table takes the next ones.
        drop(z, e.bits);
        uint32_t sub = e.op - OP_LITERAL;
        need(z, sub);
        e = table[e.val + ((uint32_t)z->bitbuf & ((1u << sub) - 1))];
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

// Eight input bytes, the first lowest: the order in which deflate takes their bits. Shifts,
// not a cast, so that it does not depend on the host; compilers make it one load.
inline uint64_t le64(const uint8_t *p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; i--)
        v = v << 8 | p[i];
    return v;
}

// Copies a match from `from` to `to`, both inside the window, first byte first. A source
// behind the destination may overlap it: the copy then repeats its own output, as deflate
// means it to. A source ahead of it (in the window's tail) reads bytes before they are
// overwritten. Pieces of 4 or 8 bytes keep both true when source and destination lie at
// least 8 bytes apart: a piece then never overlaps itself, reads behind the destination
// only bytes already written, and reads ahead of it only bytes not yet overwritten. The
// last piece may end where the match ends and start inside what was copied already: it
// writes those bytes again with the same values. Nothing is written past the match's end,
// where the window still holds the oldest output.
inline void copy_forward(uint8_t *to, const uint8_t *from, uint32_t length)
{
    if (to > from) {
        // A source fewer than 8 bytes behind repeats a short period: copying one period
        // makes the period twice as long, as seen from the new destination.
        while ((size_t)(to - from) < 8 && length > (uint32_t)(to - from)) {
            uint32_t period = (uint32_t)(to - from);
            for (uint32_t i = 0; i < period; i++)
                to[i] = from[i];
            to += period;
            length -= period;
        }
    }
    size_t gap = to > from ? (size_t)(to - from) : (size_t)(from - to);
    if (gap >= 8 && length >= 8) {
        while (length > 8) {
            memcpy(to, from, 8);
            to += 8;
            from += 8;
            length -= 8;
        }
        memcpy(to + length - 8, from + length - 8, 8);
    } else if (gap >= 8 && length >= 4) {
        memcpy(to, from, 4);
        memcpy(to + length - 4, from + length - 4, 4);
    } else {
        while (length-- > 0)
            *to++ = *from++;
    }
}

enum { MAX_MATCH = 258, FAST_INPUT = 8, FAST_LEAVE = -4 };

// The fast path of decode_codes (see the top of this file). Returns FAST_LEAVE when its
// conditions no longer hold, INFLATE_MORE at the end of the block, INFLATE_INVALID for an
// invalid code or distance. The state is consistent for the careful path whatever it returns.
//
// Bits: each symbol starts with at least 56 bits in the buffer, and a length/distance pair
// takes at most 15 + 5 + 15 + 13 = 48, so no symbol needs a second refill. A refill ORs in
// eight bytes but counts only the whole bytes that fit; the bits above the count belong to
// the next byte still in the block, and the next refill ORs the very same bits there again.
// They are cleared on the way out, where the careful path expects zeros.
int decode_fast(Inflate *z, const HuffCode *lit, uint32_t lit_width, const HuffCode *dist,
                uint32_t dist_width)
{
    UnzipState *s = z->s;
    if (z->padbits != 0 || s->compressed_left < FAST_INPUT || s->input_count < FAST_INPUT)
        return FAST_LEAVE;
    // Output: stop where a longest match could reach the window's end, or where the declared
    // size is reached (the careful path then ends the member as full, as after any symbol).
    uint32_t out_stop = INFLATE_WINDOW - MAX_MATCH;
    if (z->limit - z->handed < out_stop)
        out_stop = (uint32_t)(z->limit - z->handed);
    uint32_t wpos = z->wpos;
    if (wpos >= out_stop)
        return FAST_LEAVE;

    const uint8_t *in = s->input_pointer;
    uint32_t avail = (uint32_t)s->input_count;
    if ((int64_t)avail > s->compressed_left)
        avail = (uint32_t)s->compressed_left;
    const uint8_t *const in_last = in + (avail - FAST_INPUT); // last place for an 8-byte read
    const uint8_t *const in_start = in;
    uint8_t *const window = z->window;
    const uint32_t lit_mask = (1u << lit_width) - 1;
    const uint32_t dist_mask = (1u << dist_width) - 1;
    uint64_t bitbuf = z->bitbuf;
    uint32_t bitcnt = z->bitcnt;
    int result = FAST_LEAVE;

    // The careful path leaves zeros above bitcnt: fill up once before the first lookup.
    bitbuf |= le64(in) << bitcnt;
    in += (63 - bitcnt) >> 3;
    bitcnt |= 56;
    while (in <= in_last && wpos < out_stop) {
        // Since the last refill filled all 64 bits with stream bits and a symbol takes at
        // most 48 of them, the lowest 16 are stream bits even where bitcnt is smaller: the
        // first lookup needs no refill, and the refill can run alongside it.
        HuffCode e = lit[bitbuf & lit_mask];
        bitbuf |= le64(in) << bitcnt;
        in += (63 - bitcnt) >> 3;
        bitcnt |= 56;

        if (e.op > OP_LITERAL) {
            if (e.op == OP_INVALID) {
                result = INFLATE_INVALID;
                break;
            }
            bitbuf >>= e.bits;
            bitcnt -= e.bits;
            e = lit[e.val + ((uint32_t)bitbuf & ((1u << (e.op - OP_LITERAL)) - 1))];
            if (e.op == OP_INVALID) {
                result = INFLATE_INVALID;
                break;
            }
        }
        bitbuf >>= e.bits;
        bitcnt -= e.bits;
        if (e.op == OP_LITERAL) {
            window[wpos++] = (uint8_t)e.val;
            continue;
        }
        if (e.op == OP_END) {
            result = INFLATE_MORE;
            break;
        }
        uint32_t length = e.val + ((uint32_t)bitbuf & ((1u << e.op) - 1));
        bitbuf >>= e.op;
        bitcnt -= e.op;

        HuffCode d = dist[bitbuf & dist_mask];
        if (d.op > OP_LITERAL) {
            if (d.op == OP_INVALID) {
                result = INFLATE_INVALID;
                break;
            }
            bitbuf >>= d.bits;
            bitcnt -= d.bits;
            d = dist[d.val + ((uint32_t)bitbuf & ((1u << (d.op - OP_LITERAL)) - 1))];
            if (d.op == OP_INVALID) {
                result = INFLATE_INVALID;
                break;
            }
        }
        bitbuf >>= d.bits;
        bitcnt -= d.bits;
        uint32_t distance = d.val + ((uint32_t)bitbuf & ((1u << d.op) - 1));
        bitbuf >>= d.op;
        bitcnt -= d.op;

        // wpos + length <= INFLATE_WINDOW here: the destination never wraps.
        if (distance <= wpos) {
            copy_forward(window + wpos, window + wpos - distance, length);
        } else {
            // The source starts in the window's tail, in the output of the previous round,
            // and may run on into the window's start.
            if (!z->wrapped) {
                result = INFLATE_INVALID; // before the member's first byte
                break;
            }
            uint32_t back = distance - wpos; // bytes of the source in the tail, from its end
            uint32_t n = length < back ? length : back;
            copy_forward(window + wpos, window + INFLATE_WINDOW - back, n);
            if (length > n)
                copy_forward(window + wpos + n, window, length - n);
        }
        wpos += length;
    }

    size_t used = (size_t)(in - in_start);
    s->input_pointer = in;
    s->input_count -= (int32_t)used;
    s->compressed_left -= (int64_t)used;
    z->bitbuf = bitbuf & ((1ull << bitcnt) - 1); // bitcnt < 64 after any refill
    z->bitcnt = bitcnt;
    z->wpos = wpos;
    return result;
}

int decode_codes(Inflate *z, const HuffCode *lit, uint32_t lit_width, const HuffCode *dist,
                 uint32_t dist_width)
{
    for (;;) {
        int fast = decode_fast(z, lit, lit_width, dist, dist_width);
        if (fast != FAST_LEAVE)
            return fast;
        if (full(z))
            return INFLATE_FULL;
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
    // Whole bytes the bit buffer already holds come first (the fast path reads ahead).
    while (length > 0 && z->bitcnt > 0) {
        uint8_t b = (uint8_t)take(z, 8);
        if (overrun(z))
            return INFLATE_INPUT_END;
        length--;
        z->window[z->wpos++] = b;
        if (z->wpos == INFLATE_WINDOW && hand_over(z) != INFLATE_MORE)
            return INFLATE_NO_MEMORY;
        if (full(z))
            return INFLATE_FULL;
    }
    // The rest straight from the input block, in runs that end at the block's end, the
    // member's compressed size, the window's end or the declared size, whichever is first.
    // The runs take exactly the bytes read_byte would deliver, in the same order.
    UnzipState *s = z->s;
    while (length > 0) {
        if (s->compressed_left <= 0 || (s->input_count <= 0 && !next_input_block(s)))
            return INFLATE_INPUT_END;
        uint32_t n = length;
        if (n > (uint32_t)s->input_count)
            n = (uint32_t)s->input_count;
        if ((int64_t)n > s->compressed_left)
            n = (uint32_t)s->compressed_left;
        if (n > INFLATE_WINDOW - z->wpos)
            n = INFLATE_WINDOW - z->wpos;
        uint64_t room = z->limit - (z->handed + z->wpos); // not full: at least 1
        if (n > room)
            n = (uint32_t)room;
        memcpy(z->window + z->wpos, s->input_pointer, n);
        s->input_pointer += n;
        s->input_count -= (int32_t)n;
        s->compressed_left -= n;
        z->wpos += n;
        length -= n;
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
