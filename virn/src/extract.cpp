// Sample extraction: a decode step that turns the stored data, in whatever encoding
// the format uses, into signed PCM, then a conversion to WAV conventions (8-bit
// values become unsigned). Both work in the caller's buffer, which is first filled
// with zeros so that whatever a decoder cannot produce (a truncated file, a corrupt
// compressed stream) comes out as silence.
#include "extract.h"

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

// Codes 0 to 2 and 37: one byte in, one byte out; `bias` is subtracted, `delta`
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

// Codes 4 to 7: n 16-bit values.
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

// Codes 8 to 14: all left values, then all right values; the output interleaves them.
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

// Code 3: 16 signed step bytes, then two 4-bit indexes a byte, low nibble first, each
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
    switch (entry->encoding) {
    case 0:
        decode_bytes(out, src, bytes, 0, false);
        break;
    case 1:
        decode_bytes(out, src, bytes, 128, false);
        break;
    case 2:
    case 37: // 16-bit values stored as byte-wise deltas: the sums pair up little-endian
        decode_bytes(out, src, bytes, 0, true);
        break;
    case 3:
        decode_adpcm(out, n, src, available);
        break;
    case 4:
        decode_words(out, src, bytes / 2, 0, false, false);
        break;
    case 5:
        decode_words(out, src, bytes / 2, 0x8000, false, false);
        break;
    case 6:
        decode_words(out, src, bytes / 2, 0, true, false);
        break;
    case 7:
        decode_words(out, src, bytes / 2, 0, false, true);
        break;
    case 8:
        decode_split(out, n, src, available, 1, 0, false);
        break;
    case 9:
        decode_split(out, n, src, available, 1, 128, false);
        break;
    case 10:
        decode_split(out, n, src, available, 1, 0, true);
        break;
    case 12:
        decode_split(out, n, src, available, 2, 0, false);
        break;
    case 13:
        decode_split(out, n, src, available, 2, 0x8000, false);
        break;
    case 14:
        decode_split(out, n, src, available, 2, 0, true);
        break;
    case 16:
    case 18:
        if (n >= 4)
            it_decode8(out, min_u32(entry->length, n), src, n, available, entry->encoding == 18);
        break;
    case 20:
    case 22:
        if (n >= 4)
            it_decode16(out, min_u32(entry->length, n / 2), src, n, available,
                        entry->encoding == 22);
        break;
    default: // data without a decoder of its own is handed out as it lies
        decode_bytes(out, src, bytes, 0, false);
        break;
    }
}

void extract_sample(const LoadedModule *m, const CatalogEntry *entry, uint8_t *out)
{
    const uint32_t n = entry->info.byteLength;
    memset(out, 0, n);
    StoredData stored = entry_stored_data(m, entry);
    if (entry->length >= 4 && stored.bytes)
        decode_sample(entry, stored.bytes, stored.available, out);
    // WAV keeps 8-bit values unsigned; 16-bit values are already as WAV wants them.
    if (!(entry->encoding & VIRN_ENC_16BIT))
        for (uint32_t i = 0; i < n; i++)
            out[i] ^= 0x80;
}
