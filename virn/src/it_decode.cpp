// IT sample decompression.
//
// The stream is a chain of blocks: a 2-byte header (the block's byte length, which we
// do not trust) and a bit stream of variable-width values. A block holds 32768 values
// (8-bit) or 16384 (16-bit); width and both integrators restart in every block. Since
// the header's length is unused, the next block begins right after the last byte the
// previous one took bits from.
//
// Widths: below 7 a special value (only the top bit set) announces a new width in the
// next 3 or 4 bits; from 7 to top-1 a band of 8 or 16 values just below the largest
// positive value does; at the top width (9 or 17) any value with the extra bit set does.
#include "it_decode.h"

uint32_t read_bits(ItBitReader *r, uint32_t n)
{
    uint32_t value = 0;
    uint32_t got = 0;
    while (got < n) {
        if (r->bitsLeft == 0) {
            if (r->position >= r->available) {
                r->exhausted = true;
                return value;
            }
            r->buffer = r->stream[r->position++];
            r->bitsLeft = 8;
        }
        uint32_t take = n - got < r->bitsLeft ? n - got : r->bitsLeft;
        if (got < 32)
            value |= (r->buffer & ((1u << take) - 1)) << got;
        r->buffer >>= take;
        r->bitsLeft -= take;
        got += take;
    }
    return value;
}

// What distinguishes the two decoders.
struct ItWidthRules {
    uint32_t blockValues;   // values per block
    uint32_t topWidth;      // 9 or 17
    uint32_t lowChangeBits; // bits of a new width below 7
    uint32_t bandSize;      // 8 or 16 values that change a width from 7 to top-1
    uint32_t valueBits;     // 8 or 16
};

static const ItWidthRules Rules8 = {32768, 9, 3, 8, 8};
static const ItWidthRules Rules16 = {16384, 17, 4, 16, 16};

static inline uint32_t next_width(uint32_t announced, uint32_t width)
{
    // The current width is never announced, so announced values from it upwards
    // stand for the widths above it.
    return announced < width ? announced : announced + 1;
}

static void it_decode(const ItWidthRules &rules, uint8_t *out, uint32_t count,
                      const uint8_t *stream, uint32_t bound, uint32_t available, bool secondOrder)
{
    ItBitReader r = {stream, 0, available, 0, 0, false};
    // The bound callers pass is the decoded size, for want of the compressed one. A
    // sample that compresses badly (noise) legitimately takes more than that: a value
    // costs up to 9 or 17 bits, and a width change in front of it as many again. So we
    // stop only past the most a well-formed stream of `count` values can take, three
    // times its decoded size plus a header and a part-used byte a block; the reads
    // themselves never pass `available` anyway.
    const uint64_t blocks = ((uint64_t)count + rules.blockValues - 1) / rules.blockValues;
    const uint64_t wellFormed = 3ull * count * (rules.valueBits / 8) + 3 * blocks;
    const uint64_t limit = wellFormed > bound ? wellFormed : bound;
    const uint32_t valueMask = (1u << rules.valueBits) - 1;
    const uint32_t topFlag = 1u << rules.valueBits;
    uint32_t remaining = count;
    uint32_t index = 0; // next output position

    while (remaining > 0) {
        // Start of a block: step over its header, restart width and integrators.
        r.position += 2;
        r.bitsLeft = 0;
        uint32_t width = rules.topWidth;
        uint32_t d = 0, s = 0;
        uint32_t stretch = remaining < rules.blockValues ? remaining : rules.blockValues;
        uint32_t end = index + stretch;

        uint32_t pos = index;
        while (pos < end) {
            uint32_t e = read_bits(&r, width);
            if (r.exhausted)
                return;
            if (width < 7) {
                if (e == 1u << (width - 1)) {
                    uint32_t h = read_bits(&r, rules.lowChangeBits) + 1;
                    if (r.exhausted)
                        return;
                    width = next_width(h, width);
                    goto step_done;
                }
            } else if (width < rules.topWidth) {
                uint32_t lo = (valueMask >> (rules.topWidth - width)) - rules.bandSize / 2;
                if (e > lo && e <= lo + rules.bandSize) {
                    width = next_width(e - lo, width);
                    goto step_done;
                }
            } else if (width == rules.topWidth) {
                if (e & topFlag) {
                    width = (e & 0xFF) + 1;
                    goto step_done;
                }
            } else {
                // Only a corrupt stream gets here: the position stays silent.
                pos++;
                goto step_done;
            }
            // A value: sign-extend narrow ones, then integrate once or twice.
            if (width < rules.valueBits) {
                uint32_t shift = 32 - width;
                e = (uint32_t)((int32_t)(e << shift) >> shift);
            }
            d = (d + e) & valueMask;
            s = (s + d) & valueMask;
            {
                uint32_t v = secondOrder ? s : d;
                if (rules.valueBits == 8) {
                    out[pos] = (uint8_t)v;
                } else {
                    out[2 * pos] = (uint8_t)v;
                    out[2 * pos + 1] = (uint8_t)(v >> 8);
                }
            }
            pos++;
        step_done:
            if (r.position > limit)
                return;
        }
        index = end;
        remaining -= stretch;
        if (rules.valueBits == 16 && r.position >= limit)
            return;
    }
}

void it_decode8(uint8_t *out, uint32_t count, const uint8_t *stream, uint32_t bound,
                uint32_t available, bool secondOrder)
{
    it_decode(Rules8, out, count, stream, bound, available, secondOrder);
}

void it_decode16(uint8_t *out, uint32_t count, const uint8_t *stream, uint32_t bound,
                 uint32_t available, bool secondOrder)
{
    it_decode(Rules16, out, count, stream, bound, available, secondOrder);
}
