// IT sample decompression.
//
// The stream is a chain of blocks: a 2-byte header (the block's byte length, which we
// do not trust) and a bit stream of variable-width values, least significant bit
// first. A block holds 32768 values (8-bit) or 16384 (16-bit); width and both
// integrators restart in every block. Since the header's length is unused, the next
// block begins right after the last byte the previous one took bits from.
//
// Widths: below 7 a special value (only the top bit set) announces a new width in the
// next 3 or 4 bits; from 7 to top-1 a band of 8 or 16 values just below the largest
// positive value does; at the top width (9 or 17) any value with the extra bit set does.
// A width above the top (a corrupt stream) skips positions while it consumes bits.
//
// Speed: almost every step runs in a loop without checks. It loads a whole word at the
// byte that holds the next bit and shifts the bit down, so no bit buffer has to be kept
// or refilled; a step takes at most 17 bits, which fit a 32-bit word after a shift of up
// to 7. The loop runs only while a whole word can be read and no step can reach the
// bound; the steps near the end of the stream and under a corrupt width take the
// careful path, which checks every read. Both paths make exactly the same steps.
#include "it_decode.h"

#include <string.h>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the IT bit reader loads little-endian words"
#endif

namespace
{

// 64-bit words where registers are that wide; two-register words cost more than they
// save on 32-bit targets.
#if UINTPTR_MAX > 0xFFFFFFFFu
typedef uint64_t BitWord;
#else
typedef uint32_t BitWord;
#endif

inline BitWord load_word(const uint8_t *p)
{
    BitWord w;
    memcpy(&w, p, sizeof w);
    return w;
}

template <uint32_t ValueBits> struct ItRules;
template <> struct ItRules<8> {
    static const uint32_t blockValues = 32768, top = 9, lowBits = 3, band = 8;
};
template <> struct ItRules<16> {
    static const uint32_t blockValues = 16384, top = 17, lowBits = 4, band = 16;
};

// A width and what a step at it needs: e is a width change exactly when
// e - markLo < markCount (unsigned); a value is sign-extended as (e ^ sign) - sign
// (at 8 and 9 bits, or 16 and 17, the extension changes only bits above the value's
// width, which the integrators drop).
struct Width {
    uint32_t bits, mask, markLo, markCount, sign;
};

template <uint32_t ValueBits> Width width_of(uint32_t bits)
{
    typedef ItRules<ValueBits> R;
    const uint32_t valueMask = (1u << ValueBits) - 1;
    Width w = {bits, 0, 0, 0, 0};
    if (bits > R::top)
        return w; // corrupt: positions are skipped, nothing is a change
    w.mask = (1u << bits) - 1;
    w.sign = 1u << (bits - 1);
    if (bits < 7) {
        w.markLo = 1u << (bits - 1);
        w.markCount = 1;
    } else if (bits < R::top) {
        w.markLo = (valueMask >> (R::top - bits)) - R::band / 2 + 1;
        w.markCount = R::band;
    } else {
        w.markLo = 1u << ValueBits;
        w.markCount = 1u << ValueBits;
    }
    return w;
}

// The current width is never announced, so announced values from it upwards stand for
// the widths above it.
inline uint32_t next_width(uint32_t announced, uint32_t width)
{
    return announced < width ? announced : announced + 1;
}

// The width that the change marker e announces; below width 7 the announcement is in
// the bits that follow the marker (the low ones of `following`).
template <uint32_t ValueBits>
inline uint32_t changed_width(const Width &w, uint32_t e, uint32_t following)
{
    typedef ItRules<ValueBits> R;
    if (w.bits < 7)
        return next_width((following & ((1u << R::lowBits) - 1)) + 1, w.bits);
    if (w.bits < R::top)
        return next_width(e - w.markLo + 1, w.bits);
    return (e & 0xFF) + 1;
}

// Bits a change takes after the marker itself.
template <uint32_t ValueBits> inline uint32_t extra_bits(const Width &w)
{
    return w.bits < 7 ? ItRules<ValueBits>::lowBits : 0;
}

template <uint32_t ValueBits> struct ItDecoder {
    const uint8_t *stream;
    uint32_t available; // bytes that may be read
    uint64_t limit;     // decoding stops once more bytes than this have been consumed
    int64_t fastEnd;    // the last byte at which a step may start without checks
    uint64_t at;        // bits consumed, block headers included
    Width width;
    uint32_t d, s; // the integrators
};

template <uint32_t ValueBits, bool SecondOrder>
inline void put_value(uint8_t *o, uint32_t d, uint32_t s)
{
    uint32_t v = SecondOrder ? s : d;
    o[0] = (uint8_t)v;
    if (ValueBits == 16)
        o[1] = (uint8_t)(v >> 8);
}

// The steps up to `end` that need no checks; returns the next output position.
template <uint32_t ValueBits, bool SecondOrder>
uint32_t run_fast(ItDecoder<ValueBits> &st, uint8_t *out, uint32_t pos, uint32_t end)
{
    typedef ItRules<ValueBits> R;
    int64_t first = (int64_t)(st.at >> 3);
    if (st.width.bits > R::top || first > st.fastEnd)
        return pos;
    const uint8_t *base = st.stream + first;
    uint32_t bit = (uint32_t)(st.at & 7);
    // Kept well inside 32 bits; a longer stretch continues after a careful step.
    uint64_t room = 8 * (uint64_t)(st.fastEnd - first + 1);
    const uint32_t stopBit = room < (1u << 30) ? (uint32_t)room : (1u << 30);
    Width w = st.width;
    uint32_t d = st.d, s = st.s;
    while (pos < end && bit < stopBit) {
        // A step takes at most `top` bits, so this many steps all start before stopBit.
        // The loop counts values; a width change, which makes none, takes one off.
        uint32_t steps = (stopBit - bit + R::top - 1) / R::top;
        if (steps > end - pos)
            steps = end - pos;
        uint8_t *o = out + (size_t)pos * (ValueBits / 8);
        uint8_t *stop = o + (size_t)steps * (ValueBits / 8);
        while (o != stop) {
            BitWord word = load_word(base + (bit >> 3)) >> (bit & 7);
            uint32_t e = (uint32_t)word & w.mask;
            if (e - w.markLo >= w.markCount) {
                bit += w.bits;
                d += (e ^ w.sign) - w.sign;
                s += d;
                put_value<ValueBits, SecondOrder>(o, d, s);
                o += ValueBits / 8;
                continue;
            }
            uint32_t next = changed_width<ValueBits>(w, e, (uint32_t)(word >> w.bits));
            bit += w.bits + extra_bits<ValueBits>(w);
            w = width_of<ValueBits>(next);
            stop -= ValueBits / 8;
            if (next > R::top || o == stop)
                break;
        }
        pos = (uint32_t)((o - out) / (ValueBits / 8));
        if (w.bits > R::top)
            break;
    }
    st.at = 8 * (uint64_t)first + bit;
    st.width = w;
    st.d = d;
    st.s = s;
    return pos;
}

// `n` bits (at most 25) at bit `at`, reading no byte at or past `available`.
inline uint32_t peek_bits(const uint8_t *stream, uint32_t available, uint64_t at, uint32_t n)
{
    uint64_t first = at >> 3;
    uint32_t word = 0;
    for (uint32_t i = 0; i < 4 && first + i < available; i++)
        word |= (uint32_t)stream[first + i] << (8 * i);
    return (word >> (at & 7)) & ((1u << n) - 1);
}

// One step with every check. False when decoding stops: a read would pass the stream's
// end (then nothing is written), or the step has taken the stream past the bound.
template <uint32_t ValueBits, bool SecondOrder>
bool careful_step(ItDecoder<ValueBits> &st, uint8_t *out, uint32_t *pos)
{
    typedef ItRules<ValueBits> R;
    const uint64_t end = 8ull * st.available;
    const Width &w = st.width;
    if (st.at + w.bits > end)
        return false;
    if (w.bits > R::top) {
        // Only a corrupt stream gets here: the position stays silent.
        st.at += w.bits;
        (*pos)++;
        return ((st.at + 7) >> 3) <= st.limit;
    }
    uint32_t e = peek_bits(st.stream, st.available, st.at, w.bits);
    st.at += w.bits;
    if (e - w.markLo < w.markCount) {
        uint32_t extra = extra_bits<ValueBits>(w);
        if (st.at + extra > end)
            return false;
        uint32_t following = peek_bits(st.stream, st.available, st.at, R::lowBits);
        st.at += extra;
        st.width = width_of<ValueBits>(changed_width<ValueBits>(w, e, following));
    } else {
        st.d += (e ^ w.sign) - w.sign;
        st.s += st.d;
        put_value<ValueBits, SecondOrder>(out + (size_t)*pos * (ValueBits / 8), st.d, st.s);
        (*pos)++;
    }
    return ((st.at + 7) >> 3) <= st.limit;
}

template <uint32_t ValueBits, bool SecondOrder>
void it_decode(uint8_t *out, uint32_t count, const uint8_t *stream, uint32_t bound,
               uint32_t available)
{
    typedef ItRules<ValueBits> R;
    ItDecoder<ValueBits> st;
    st.stream = stream;
    st.available = available;
    // The bound callers pass is the decoded size, for want of the compressed one. A
    // sample that compresses badly (noise) legitimately takes more than that: a value
    // costs up to 9 or 17 bits, and a width change in front of it as many again. So we
    // stop only past the most a well-formed stream of `count` values can take, three
    // times its decoded size plus a header and a part-used byte a block; the reads
    // themselves never pass `available` anyway.
    const uint64_t blocks = ((uint64_t)count + R::blockValues - 1) / R::blockValues;
    const uint64_t wellFormed = 3ull * count * (ValueBits / 8) + 3 * blocks;
    st.limit = wellFormed > bound ? wellFormed : bound;
    // A fast step reads a word at its first byte and ends at most 3 bytes on.
    int64_t byWord = (int64_t)available - (int64_t)sizeof(BitWord);
    int64_t byLimit = (int64_t)st.limit - 3;
    st.fastEnd = byWord < byLimit ? byWord : byLimit;
    st.at = 0;

    uint32_t remaining = count;
    uint32_t index = 0; // next output position
    while (remaining > 0) {
        // Start of a block: step over its header from the next whole byte, restart
        // width and integrators.
        st.at = (((st.at + 7) >> 3) + 2) * 8;
        st.width = width_of<ValueBits>(R::top);
        st.d = st.s = 0;
        uint32_t stretch = remaining < R::blockValues ? remaining : R::blockValues;
        uint32_t end = index + stretch;
        uint32_t pos = index;
        while (pos < end) {
            pos = run_fast<ValueBits, SecondOrder>(st, out, pos, end);
            if (pos < end && !careful_step<ValueBits, SecondOrder>(st, out, &pos))
                return;
        }
        index = end;
        remaining -= stretch;
        if (ValueBits == 16 && ((st.at + 7) >> 3) >= st.limit)
            return;
    }
}

template <uint32_t ValueBits>
void it_decode_variant(uint8_t *out, uint32_t count, const uint8_t *stream, uint32_t bound,
                       uint32_t available, bool secondOrder)
{
    if (secondOrder)
        it_decode<ValueBits, true>(out, count, stream, bound, available);
    else
        it_decode<ValueBits, false>(out, count, stream, bound, available);
}

} // namespace

void it_decode8(uint8_t *out, uint32_t count, const uint8_t *stream, uint32_t bound,
                uint32_t available, bool secondOrder)
{
    it_decode_variant<8>(out, count, stream, bound, available, secondOrder);
}

void it_decode16(uint8_t *out, uint32_t count, const uint8_t *stream, uint32_t bound,
                 uint32_t available, bool secondOrder)
{
    it_decode_variant<16>(out, count, stream, bound, available, secondOrder);
}
