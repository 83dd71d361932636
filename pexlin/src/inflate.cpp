// The deflate decoder (method 8, RFC 1951).
//
// Input comes through the input's bit reader. Output goes straight into the member's
// buffer, which has room for the whole declared size (direct_room): the buffer itself is
// the sliding window, since everything the member produced so far is in it, and a distance
// is valid exactly when it does not reach before the member's first byte. Nothing is
// written beyond the declared size. At the end the output is handed over in one piece; when
// the data turns out invalid, only its whole 32 KB windows are, as they would have been
// with a window of deflate's own.
//
// Two paths decode the same codes. The careful one (decode, take_bits, copy_match) pads
// with zero bits past the member's end. The fast one (decode_fast) runs while its
// conditions make that impossible: the input's fast reader has whole bytes of the member
// for every refill of a symbol, and the longest match (258 bytes) still fits before the
// declared size. Whenever a condition fails it gives the state back to the careful path,
// which takes a symbol or two until the member's input or output is nearly used up.
// Stored blocks copy their bytes in runs.
//
// A stream need not end properly. Once the member's input is used up the decoder reads
// zero bits, and in some codes zero bits decode to an endless run of output; so the decode
// ends when a symbol would take bits that the input never had, or when the output reaches
// the member's declared size. Neither is an error here: the size and CRC checks of the
// member tell whether what came out is whole.
#include "methods.h"

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

enum { MAX_MATCH = 258, WHOLE_WINDOWS = ~32767u };

struct Inflate {
    Input *in;
    uint8_t *out;   // the member's first byte in its buffer
    uint32_t pos;   // bytes written
    uint32_t end;   // the declared size: no byte is written at or beyond it
    bool block_end; // the current block's end-of-block code was met
    bool stop;      // the input is used up or the declared size reached: a normal end
};

// Decodes one symbol; its entry comes back with op OP_INVALID for an invalid code.
inline HuffCode decode(Input *in, const HuffCode *table, uint32_t width)
{
    need_bits(in, width);
    HuffCode e = table[peek_bits(in, width)];
    if (e.op > OP_LITERAL && e.op != OP_INVALID) {
        // A link: the primary bits are resolved, the sub-table takes the next ones.
        drop_bits(in, e.bits);
        uint32_t sub = e.op - OP_LITERAL;
        need_bits(in, sub);
        e = table[e.val + peek_bits(in, sub)];
    }
    if (e.op != OP_INVALID)
        drop_bits(in, e.bits);
    return e;
}

// True when the declared size is reached; the decode then stops.
inline bool full(Inflate *z)
{
    if (z->pos >= z->end)
        z->stop = true;
    return z->stop;
}

// True when the last symbol took bits the input never had; the decode then stops.
inline bool input_ended(Inflate *z)
{
    if (bits_overrun(z->in))
        z->stop = true;
    return z->stop;
}

// Copies a match from `from`, behind `to`, first byte first. The source may overlap the
// destination: the copy then repeats its own output, as deflate means it to. Pieces of 4
// or 8 bytes keep that true when source and destination lie at least 8 bytes apart: a
// piece then never overlaps itself and reads only bytes already written. The last piece
// may end where the match ends and start inside what was copied already: it writes those
// bytes again with the same values. Nothing is written past the match's end.
inline void copy_forward(uint8_t *to, const uint8_t *from, uint32_t length)
{
    // A source fewer than 8 bytes behind repeats a short period: copying one period makes
    // the period twice as long, as seen from the new destination.
    while ((size_t)(to - from) < 8 && length > (uint32_t)(to - from)) {
        uint32_t period = (uint32_t)(to - from);
        for (uint32_t i = 0; i < period; i++)
            to[i] = from[i];
        to += period;
        length -= period;
    }
    size_t gap = (size_t)(to - from);
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

// Copies a match; the part beyond the declared size is never written (it would be dropped).
Status copy_match(Inflate *z, uint32_t length, uint32_t distance)
{
    // A distance before the member's first byte would copy whatever the buffer held
    // before: that is invalid data, not a reason to show stale memory.
    if (distance > z->pos)
        return StatusBadFormat;
    if (length > z->end - z->pos)
        length = z->end - z->pos;
    copy_forward(z->out + z->pos, z->out + z->pos - distance, length);
    z->pos += length;
    return StatusOk;
}

// The entry of the next code, its bits taken; an invalid code's entry has op OP_INVALID.
inline HuffCode fast_decode(FastBits *f, const HuffCode *table, uint32_t mask)
{
    HuffCode e = table[f->bits & mask];
    if (e.op > OP_LITERAL && e.op != OP_INVALID) {
        f->bits >>= e.bits;
        f->count -= e.bits;
        e = table[e.val + ((uint32_t)f->bits & ((1u << (e.op - OP_LITERAL)) - 1))];
    }
    if (e.op != OP_INVALID) {
        f->bits >>= e.bits;
        f->count -= e.bits;
    }
    return e;
}

// The fast path of decode_codes (see the top of this file). StatusBadFormat for an invalid
// code or distance; otherwise the state is the careful path's to go on with.
//
// Bits: a refill leaves at least BIT_BUFFER_BITS - 8 bits. With 64 bits, 56 cover a whole
// length/distance pair (at most 15 + 5 + 15 + 13 = 48 bits), so one refill serves a symbol.
// With 32 bits, 24 cover a literal/length code and its extra bits (20) and a distance code
// (15); the distance's extra bits may need a third refill.
Status decode_fast(Inflate *z, const HuffCode *lit, uint32_t lit_width, const HuffCode *dist,
                   uint32_t dist_width)
{
    // Output: stop where a longest match could reach the declared size.
    if (z->end - z->pos <= MAX_MATCH)
        return StatusOk;
    const uint32_t out_stop = z->end - MAX_MATCH;
    FastBits f;
    if (!fast_begin(z->in, &f))
        return StatusOk;
    uint8_t *const out = z->out;
    uint32_t pos = z->pos;
    const uint32_t lit_mask = (1u << lit_width) - 1;
    const uint32_t dist_mask = (1u << dist_width) - 1;
    const bool narrow = BIT_BUFFER_BITS < 64;
    Status status = StatusOk;

    while (f.next <= f.last && pos < out_stop) {
        fast_refill(&f);
        HuffCode e = fast_decode(&f, lit, lit_mask);
        if (e.op == OP_LITERAL) {
            out[pos++] = (uint8_t)e.val;
            continue;
        }
        if (e.op == OP_END) {
            z->block_end = true;
            break;
        }
        if (e.op == OP_INVALID) {
            status = StatusBadFormat;
            break;
        }
        uint32_t length = e.val + ((uint32_t)f.bits & ((1u << e.op) - 1));
        f.bits >>= e.op;
        f.count -= e.op;

        if (narrow)
            fast_refill(&f);
        HuffCode d = fast_decode(&f, dist, dist_mask);
        if (d.op == OP_INVALID) {
            status = StatusBadFormat;
            break;
        }
        if (narrow && f.count < d.op)
            fast_refill(&f);
        uint32_t distance = d.val + ((uint32_t)f.bits & ((1u << d.op) - 1));
        f.bits >>= d.op;
        f.count -= d.op;
        if (distance > pos) {
            status = StatusBadFormat; // before the member's first byte
            break;
        }
        copy_forward(out + pos, out + pos - distance, length);
        pos += length;
    }
    z->pos = pos;
    fast_end(z->in, &f);
    return status;
}

Status decode_codes(Inflate *z, const HuffCode *lit, uint32_t lit_width, const HuffCode *dist,
                    uint32_t dist_width)
{
    Input *in = z->in;
    z->block_end = false;
    for (;;) {
        Status status = decode_fast(z, lit, lit_width, dist, dist_width);
        if (status != StatusOk || z->block_end || full(z))
            return status;
        HuffCode e = decode(in, lit, lit_width);
        if (e.op == OP_INVALID)
            return StatusBadFormat;
        if (input_ended(z))
            return StatusOk;
        if (e.op == OP_LITERAL) {
            z->out[z->pos++] = (uint8_t)e.val;
        } else if (e.op == OP_END) {
            z->block_end = true;
            return StatusOk;
        } else {
            uint32_t length = e.val + take_bits(in, e.op);
            HuffCode d = decode(in, dist, dist_width);
            if (d.op == OP_INVALID)
                return StatusBadFormat;
            uint32_t distance = d.val + take_bits(in, d.op);
            if (input_ended(z))
                return StatusOk;
            status = copy_match(z, length, distance);
        }
        if (status != StatusOk || full(z))
            return status;
    }
}

Status stored_block(Inflate *z)
{
    Input *in = z->in;
    drop_bits(in, in->bit_count & 7);
    uint32_t length = take_bits(in, 16);
    uint32_t check = take_bits(in, 16);
    if (input_ended(z))
        return StatusOk;
    if ((length ^ 0xFFFF) != check)
        return StatusBadFormat;
    // Whole bytes the bit buffer already holds come first (the fast path reads ahead).
    for (; length > 0 && in->bit_count > 0; length--) {
        uint8_t b = (uint8_t)take_bits(in, 8);
        if (input_ended(z))
            return StatusOk;
        z->out[z->pos++] = b;
        if (full(z))
            return StatusOk;
    }
    // The rest straight from the input, in runs, up to the declared size.
    while (length > 0 && !full(z)) {
        const uint8_t *run;
        uint32_t n = member_run(in, length < z->end - z->pos ? length : z->end - z->pos, &run);
        if (n == 0) {
            z->stop = true;
            break;
        }
        memcpy(z->out + z->pos, run, n);
        z->pos += n;
        length -= n;
    }
    return StatusOk;
}

Status fixed_block(Inflate *z, FixedTables *t)
{
    if (!t->built) {
        uint8_t lengths[288];
        memset(lengths, 8, 144);
        memset(lengths + 144, 9, 112);
        memset(lengths + 256, 7, 24);
        memset(lengths + 280, 8, 8);
        t->lit_width = 7;
        Status status = build_huffman_table(lengths, 288, 257, LENGTH_BASE, LENGTH_EXTRA, false,
                                            t->lit, FIXED_LIT_SIZE, &t->lit_width);
        if (status != StatusOk)
            return status;
        // 30 of 32 five-bit codes: incomplete, and accepted as such.
        memset(lengths, 5, 30);
        t->dist_width = 5;
        status = build_huffman_table(lengths, 30, 0, DIST_BASE, DIST_EXTRA, true, t->dist,
                                     FIXED_DIST_SIZE, &t->dist_width);
        if (status != StatusOk)
            return status;
        t->built = true;
    }
    return decode_codes(z, t->lit, t->lit_width, t->dist, t->dist_width);
}

// The code lengths of a dynamic block's two codes, read with its code-length code into
// `lengths`; StatusBadFormat for a repeat with nothing to repeat or past the end.
Status read_code_lengths(Inflate *z, const HuffCode *lens, unsigned lens_width, uint8_t *lengths,
                         uint32_t total)
{
    Input *in = z->in;
    uint32_t i = 0;
    while (i < total) {
        HuffCode e = decode(in, lens, lens_width);
        if (e.op == OP_INVALID)
            return StatusBadFormat;
        uint32_t sym = e.val;
        if (sym < 16) {
            lengths[i++] = (uint8_t)sym;
            continue;
        }
        uint8_t value = 0;
        uint32_t repeat;
        if (sym == 16) {
            if (i == 0)
                return StatusBadFormat;
            value = lengths[i - 1];
            repeat = 3 + take_bits(in, 2);
        } else if (sym == 17) {
            repeat = 3 + take_bits(in, 3);
        } else {
            repeat = 11 + take_bits(in, 7);
        }
        if (i + repeat > total)
            return StatusBadFormat;
        memset(lengths + i, value, repeat);
        i += repeat;
        if (input_ended(z))
            return StatusOk;
    }
    return StatusOk;
}

Status dynamic_block(Inflate *z, InflateArea *area)
{
    Input *in = z->in;
    uint32_t nlit = take_bits(in, 5) + 257;
    uint32_t ndist = take_bits(in, 5) + 1;
    uint32_t ncode = take_bits(in, 4) + 4;
    uint8_t lengths[288 + 32];
    memset(lengths, 0, 19);
    for (uint32_t i = 0; i < ncode; i++)
        lengths[CODE_LENGTH_ORDER[i]] = (uint8_t)take_bits(in, 3);
    if (input_ended(z))
        return StatusOk;
    unsigned lens_width = 7;
    Status status = build_huffman_table(lengths, 19, 19, nullptr, nullptr, false, area->lens,
                                        LENS_TABLE_SIZE, &lens_width);
    if (status == StatusOk)
        status = read_code_lengths(z, area->lens, lens_width, lengths, nlit + ndist);
    if (status != StatusOk || input_ended(z))
        return status;
    unsigned lit_width = 9;
    status = build_huffman_table(lengths, nlit, 257, LENGTH_BASE, LENGTH_EXTRA, false, area->lit,
                                 LIT_TABLE_SIZE, &lit_width);
    if (status != StatusOk)
        return status;
    unsigned dist_width = 6;
    status = build_huffman_table(lengths + nlit, ndist, 0, DIST_BASE, DIST_EXTRA, true, area->dist,
                                 DIST_TABLE_SIZE, &dist_width);
    if (status != StatusOk)
        return status;
    return decode_codes(z, area->lit, lit_width, area->dist, dist_width);
}

} // namespace

Status inflate(Input *in, Output *out, InflateArea *area, FixedTables *fixed)
{
    Inflate z;
    memset(&z, 0, sizeof z);
    z.in = in;
    z.out = direct_room(out);
    z.end = out->declared;
    if (!z.out)
        return StatusOutputFailed;
    Status status = StatusOk;
    bool last = false;
    while (status == StatusOk && !last && !full(&z)) {
        last = take_bits(in, 1) != 0;
        uint32_t type = take_bits(in, 2);
        if (input_ended(&z))
            break;
        if (type == 0)
            status = stored_block(&z);
        else if (type == 1)
            status = fixed_block(&z, fixed);
        else if (type == 2)
            status = dynamic_block(&z, area);
        else
            status = StatusBadFormat;
    }
    // A completed last block, used-up input or a full member: all of the output counts.
    commit_direct(out, status == StatusOk ? z.pos : z.pos & WHOLE_WINDOWS);
    return status;
}
