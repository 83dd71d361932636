// Sample extraction: a decode step that turns the stored data, in whatever encoding
// the format uses, into signed PCM, then a conversion to WAV conventions (8-bit
// values become unsigned). Both work in the caller's buffer, which is first filled
// with zeros so that whatever a decoder cannot produce (a truncated file, a corrupt
// compressed stream) comes out as silence.
#include "extract.h"

#include "encoding.h"
#include "it_decode.h"

#include <string.h>

static inline uint32_t min_u32(uint32_t a, uint32_t b)
{
    return a < b ? a : b;
}

static inline uint16_t le16_at(const uint8_t *p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

static inline void put16(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

// 8-bit mono PCM and byte-wise deltas: one byte in, one byte out; `bias` is subtracted, `delta`
// keeps a running sum.
static void decode_bytes(uint8_t *out, const uint8_t *src, uint32_t n, uint8_t bias, bool delta)
{
    if (delta) {
        uint8_t sum = 0;
        for (uint32_t i = 0; i < n; i++) {
            sum = (uint8_t)(sum + src[i]);
            out[i] = sum;
        }
    } else if (bias) {
        for (uint32_t i = 0; i < n; i++)
            out[i] = (uint8_t)(src[i] - bias);
    } else {
        memcpy(out, src, n);
    }
}

// 16-bit mono PCM: n values.
static void decode_words(uint8_t *out, const uint8_t *src, uint32_t n, uint32_t bias, bool delta,
                         bool bigEndian)
{
    if (!delta && !bias && !bigEndian) {
        memcpy(out, src, 2 * (size_t)n);
        return;
    }
    uint32_t sum = 0;
    for (uint32_t i = 0; i < n; i++) {
        uint32_t v =
            bigEndian ? (uint32_t)((src[2 * i] << 8) | src[2 * i + 1]) : le16_at(src + 2 * i);
        if (delta) {
            sum = (sum + v) & 0xFFFF;
            v = sum;
        } else {
            v = (v - bias) & 0xFFFF;
        }
        put16(out + 2 * i, v);
    }
}

// Two channels: all left values, then all right values; the output interleaves them.
// Each channel keeps its own running sum. A channel's values are taken only as far as
// the stored bytes reach.
static void decode_split(uint8_t *out, uint32_t byteLength, const uint8_t *src, uint32_t available,
                         uint32_t width, uint32_t bias, bool delta)
{
    uint32_t frames = byteLength / (2 * width);
    uint32_t blockBytes = frames * width;
    for (uint32_t channel = 0; channel < 2; channel++) {
        uint32_t start = channel * blockBytes;
        uint32_t have = available > start ? (available - start) / width : 0;
        uint32_t n = min_u32(frames, have);
        const uint8_t *in = src + start;
        uint32_t sum = 0;
        if (width == 1) {
            uint8_t *o = out + channel;
            for (uint32_t i = 0; i < n; i++) {
                uint32_t v = in[i];
                if (delta)
                    v = sum = (sum + v) & 0xFF;
                else
                    v = (v - bias) & 0xFF;
                o[2 * i] = (uint8_t)v;
            }
        } else {
            uint8_t *o = out + 2 * channel;
            for (uint32_t i = 0; i < n; i++) {
                uint32_t v = le16_at(in + 2 * i);
                if (delta)
                    v = sum = (sum + v) & 0xFFFF;
                else
                    v = (v - bias) & 0xFFFF;
                put16(o + 4 * i, v);
            }
        }
    }
}

// 4-bit ADPCM: 16 signed step bytes, then two 4-bit indexes a byte, low nibble first, each
// adding its step to a running value. An odd count takes the low nibble of the last
// byte, so the block is 16 + ceil(byteLength / 2) bytes; no more are read.
static void decode_adpcm(uint8_t *out, uint32_t byteLength, const uint8_t *src, uint32_t available)
{
    uint8_t steps[16] = {};
    memcpy(steps, src, min_u32(16, available));
    if (available <= 16)
        return;
    uint32_t values = min_u32(byteLength, 2 * min_u32(available - 16, 0x7FFFFFFFu));
    const uint8_t *in = src + 16;
    uint8_t value = 0;
    for (uint32_t i = 0; i < values; i++) {
        uint8_t nibble = (i & 1) ? in[i / 2] >> 4 : in[i / 2] & 15;
        value = (uint8_t)(value + steps[nibble]);
        out[i] = value;
    }
}

void decode_sample(const CatalogEntry *entry, const uint8_t *src, uint32_t available, uint8_t *out)
{
    const uint32_t n = entry->info.byteLength;
    const uint32_t bytes = min_u32(n, available);
    const uint8_t encoding = entry->encoding;
    switch (encoding) {
    case ENC_ADPCM4:
        decode_adpcm(out, n, src, available);
        return;
    case ENC_BIG_ENDIAN16:
        decode_words(out, src, bytes / 2, 0, false, true);
        return;
    case ENC_BYTE_DELTA16: // the running byte sums pair up into little-endian values
        decode_bytes(out, src, bytes, 0, true);
        return;
    case ENC_IT8:
    case ENC_IT8_SECOND:
        if (n >= 4)
            it_decode8(out, min_u32(entry->length, n), src, n, available,
                       encoding == ENC_IT8_SECOND);
        return;
    case ENC_IT16:
    case ENC_IT16_SECOND:
        if (n >= 4)
            it_decode16(out, min_u32(entry->length, n / 2), src, n, available,
                        encoding == ENC_IT16_SECOND);
        return;
    }
    // Plain PCM: signed, unsigned or deltas, 8 or 16 bits, one or two channels. Codes
    // beyond those have no decoder and are handed out as they lie.
    if (encoding > (ENC_UNSIGNED | ENC_DELTA | ENC_16BIT | ENC_STEREO) ||
        (encoding & (ENC_UNSIGNED | ENC_DELTA)) == (ENC_UNSIGNED | ENC_DELTA)) {
        decode_bytes(out, src, bytes, 0, false);
        return;
    }
    bool wide = encoding & ENC_16BIT;
    bool delta = encoding & ENC_DELTA;
    uint32_t bias = (encoding & ENC_UNSIGNED) ? (wide ? 0x8000 : 0x80) : 0;
    if (encoding & ENC_STEREO)
        decode_split(out, n, src, available, wide ? 2 : 1, bias, delta);
    else if (wide)
        decode_words(out, src, bytes / 2, bias, delta, false);
    else
        decode_bytes(out, src, bytes, (uint8_t)bias, delta);
}

void extract_sample(const LoadedModule *m, const CatalogEntry *entry, uint8_t *out)
{
    const uint32_t n = entry->info.byteLength;
    memset(out, 0, n);
    StoredData stored = entry_stored_data(m, entry);
    if (entry->length >= 4 && stored.bytes)
        decode_sample(entry, stored.bytes, stored.available, out);
    // WAV keeps 8-bit values unsigned; 16-bit values are already as WAV wants them.
    if (!(entry->encoding & ENC_16BIT))
        for (uint32_t i = 0; i < n; i++)
            out[i] ^= 0x80;
}
