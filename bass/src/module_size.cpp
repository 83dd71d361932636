// Module sizes from their headers. Every read is bounds-checked against the readable
// extent: a read outside it yields 0, and every part's end is clipped to the extent.
// Formats are recognised in the order the renderer tries its loaders (XM, MOD with a tag,
// FLT, 15-sample MOD, IT, S3M), so a file is measured as the format that will load it.
#include "module_size.h"

#include <string.h>

namespace
{

struct View {
    const uint8_t *p;
    uint64_t n;
};

bool fits(const View &v, uint64_t at, uint64_t count)
{
    return at <= v.n && count <= v.n - at;
}

uint32_t u8(const View &v, uint64_t at)
{
    return fits(v, at, 1) ? v.p[at] : 0;
}

uint32_t le16(const View &v, uint64_t at)
{
    return fits(v, at, 2) ? (uint32_t)(v.p[at] | (v.p[at + 1] << 8)) : 0;
}

uint32_t le32(const View &v, uint64_t at)
{
    return fits(v, at, 4) ? le16(v, at) | (le16(v, at + 2) << 16) : 0;
}

uint32_t be16(const View &v, uint64_t at)
{
    return fits(v, at, 2) ? (uint32_t)((v.p[at] << 8) | v.p[at + 1]) : 0;
}

bool tag_at(const View &v, uint64_t at, const char *tag)
{
    size_t n = strlen(tag);
    return fits(v, at, n) && memcmp(v.p + at, tag, n) == 0;
}

bool is_digit(uint32_t c)
{
    return c >= '0' && c <= '9';
}

// Ends are tracked as 64-bit sums, so no header value can wrap them; the caller clips.
struct Span {
    uint64_t end = 0;
};

void reach(Span &s, uint64_t end)
{
    if (end > s.end)
        s.end = end;
}

// ---- MOD ------------------------------------------------------------------------------

// Channels of a 31-sample MOD from its tag at 1080, 0 when the tag is not one the MOD or
// FLT loader takes. The two-digit form is checked first, as the loader does.
uint32_t mod_channels(const View &v, bool *paired)
{
    *paired = false;
    uint32_t c0 = u8(v, 1080), c1 = u8(v, 1081);
    if (tag_at(v, 1082, "CH") && is_digit(c0) && is_digit(c1)) {
        uint32_t n = (c0 - '0') * 10 + (c1 - '0');
        return n >= 1 && n <= 32 ? n : 0;
    }
    if (tag_at(v, 1081, "CHN") && is_digit(c0))
        return c0 - '0';
    static const struct {
        const char *tag;
        uint32_t channels;
    } tags[] = {{"M.K.", 4}, {"M!K!", 4}, {"M&K!", 4}, {"N.T.", 4}, {"CD61", 6}, {"CD81", 8},
                {"TDZ4", 4}, {"FA04", 4}, {"FA06", 6}, {"FA08", 8}, {"NSMS", 4}};
    for (const auto &t : tags)
        if (tag_at(v, 1080, t.tag))
            return t.channels;
    // The FLT loader: "FLT4"/"EXO4" are 4 channels; any other digit means 8 channels
    // stored as pairs of 4-channel patterns, which the orders count in halves.
    if (tag_at(v, 1080, "FLT") || tag_at(v, 1080, "EXO")) {
        if (u8(v, 1083) == '4')
            return 4;
        *paired = true;
        return 8;
    }
    return 0;
}

uint64_t mod_sample_bytes(const View &v, uint32_t slots, uint64_t first)
{
    uint64_t bytes = 0;
    for (uint32_t i = 0; i < slots; i++)
        bytes += 2 * (uint64_t)be16(v, first + i * 30 + 22);
    return bytes;
}

uint64_t mod_size(const View &v, uint32_t channels, bool paired)
{
    // Pattern count: the largest order + 1, orders read until one above 0x7F (garbage in
    // the unused part of the list ends it, as the loader reads it). FLT8 orders name
    // 4-channel halves, two of which make one stored 8-channel pattern.
    uint32_t largest = 0;
    for (uint32_t i = 0; i < 128; i++) {
        uint32_t o = u8(v, 952 + i);
        if (paired)
            o >>= 1;
        else if (o > 0x7F)
            break;
        if (o > largest)
            largest = o;
    }
    uint64_t patterns = largest + 1;
    return 1084 + patterns * channels * 256 + mod_sample_bytes(v, 31, 20);
}

// A 15-sample module has no tag; the renderer takes it only when its header looks sane,
// and so does this measure (otherwise the file is measured by its extent).
bool st_size(const View &v, uint64_t *size)
{
    if (!fits(v, 0, 600))
        return false;
    uint32_t length = u8(v, 470);
    if (length == 0 || length > 0x7F)
        return false;
    uint32_t largest = 0;
    for (uint32_t i = 0; i < 128; i++) {
        uint32_t o = u8(v, 472 + i);
        if (o > 0x7F)
            return false;
        if (o > largest)
            largest = o;
    }
    for (uint32_t i = 0; i < 15; i++) {
        uint64_t at = 20 + i * 30;
        if (u8(v, at + 25) > 0x40 || u8(v, at + 24) > 0x0F || be16(v, at + 22) > 0x8000)
            return false;
    }
    uint64_t samples = mod_sample_bytes(v, 15, 20);
    if (samples < 8)
        return false;
    *size = 600 + (uint64_t)(largest + 1) * 1024 + samples;
    return true;
}

// ---- XM -------------------------------------------------------------------------------

// The XM loader walks the file in order: patterns (a header whose first field is its own
// length, then the packed data), then instruments (header of the stated size, 40 bytes
// per sample header whatever the header claims, then the sample data). Versions up to
// 1.03 put the instruments first and all sample data after the patterns.
uint64_t xm_patterns(const View &v, uint64_t at, uint32_t count, uint32_t version)
{
    for (uint32_t i = 0; i < count && at < v.n; i++) {
        uint32_t length = le32(v, at);
        // 1.02 keeps the row count in one byte, so the packed size sits a byte earlier.
        uint32_t packed = le16(v, at + (version > 0x0102 ? 7 : 6));
        at += (uint64_t)length + packed;
    }
    return at;
}

uint64_t xm_instruments(const View &v, uint64_t at, uint32_t count, bool dataInline,
                        uint64_t *deferredData)
{
    for (uint32_t i = 0; i < count && at < v.n; i++) {
        uint32_t headerSize = le32(v, at);
        uint32_t samples = le16(v, at + 27);
        if (samples == 0) {
            at += headerSize;
            continue;
        }
        if (samples > 32)
            return v.n; // the loader refuses such a file; nothing to measure
        uint64_t sampleHeaders = at + headerSize;
        uint64_t data = 0;
        for (uint32_t s = 0; s < samples; s++) {
            uint64_t h = sampleHeaders + s * 40;
            uint32_t length = le32(v, h);
            // 0xAD in the reserved byte: 4-bit ADPCM, 16 bytes of steps, then two
            // values a byte (read so only where the data follows its headers).
            bool adpcm = dataInline && u8(v, h + 17) == 0xAD;
            data += adpcm ? 16 + ((uint64_t)length + 1) / 2 : length;
        }
        at = sampleHeaders + (uint64_t)samples * 40;
        if (dataInline)
            at += data;
        else
            *deferredData += data;
    }
    return at;
}

uint64_t xm_size(const View &v)
{
    uint32_t version = le16(v, 58);
    uint64_t at = 60 + (uint64_t)le32(v, 60);
    uint32_t patterns = le16(v, 70), instruments = le16(v, 72);
    uint64_t deferred = 0;
    if (version <= 0x0103) {
        at = xm_instruments(v, at, instruments, false, &deferred);
        at = xm_patterns(v, at, patterns, version);
        return at + deferred;
    }
    at = xm_patterns(v, at, patterns, version);
    return xm_instruments(v, at, instruments, true, &deferred);
}

// ---- IT -------------------------------------------------------------------------------

// Compressed IT samples are blocks of a 16-bit byte count and that many bytes; a block
// holds 0x8000 values of 8 bits or 0x4000 of 16 bits (two channels: one run per channel).
uint64_t it_compressed_end(const View &v, uint64_t at, uint64_t values, bool wide, bool stereo)
{
    uint64_t perBlock = wide ? 0x4000 : 0x8000;
    uint64_t blocks = (values + perBlock - 1) / perBlock * (stereo ? 2 : 1);
    for (uint64_t b = 0; b < blocks && at < v.n; b++)
        at += 2 + (uint64_t)le16(v, at);
    return at;
}

uint64_t it_size(const View &v)
{
    uint32_t orders = le16(v, 0x20), instruments = le16(v, 0x22);
    uint32_t samples = le16(v, 0x24), patterns = le16(v, 0x26);
    uint32_t special = le16(v, 0x2E);
    Span s;
    uint64_t pointers = 0xC0 + (uint64_t)orders;
    reach(s, pointers + 4 * ((uint64_t)instruments + samples + patterns));
    if (special & 1)
        reach(s, (uint64_t)le32(v, 0x38) + le16(v, 0x36)); // the song message
    for (uint32_t i = 0; i < instruments; i++) {
        uint32_t at = le32(v, pointers + 4 * (uint64_t)i);
        if (at)
            reach(s, (uint64_t)at + 554); // old and new instrument headers alike
    }
    uint64_t samplePointers = pointers + 4 * (uint64_t)instruments;
    for (uint32_t i = 0; i < samples; i++) {
        uint32_t at = le32(v, samplePointers + 4 * (uint64_t)i);
        if (!at)
            continue;
        reach(s, (uint64_t)at + 0x50);
        uint32_t flags = u8(v, at + 0x12);
        uint64_t values = le32(v, at + 0x30);
        uint64_t data = le32(v, at + 0x48);
        if (!(flags & 1) || values == 0 || data == 0)
            continue;
        bool wide = flags & 2, stereo = flags & 4;
        if (flags & 8)
            reach(s, it_compressed_end(v, data, values, wide, stereo));
        else
            reach(s, data + values * (wide ? 2 : 1) * (stereo ? 2 : 1));
    }
    uint64_t patternPointers = samplePointers + 4 * (uint64_t)samples;
    for (uint32_t i = 0; i < patterns; i++) {
        uint32_t at = le32(v, patternPointers + 4 * (uint64_t)i);
        if (at)
            reach(s, (uint64_t)at + 8 + le16(v, at)); // 8-byte header, then packed rows
    }
    return s.end;
}

// ---- S3M ------------------------------------------------------------------------------

// Bytes of a packed S3M pattern after its length word: 64 rows, each a run of
// channel events ended by a zero byte. The loader reads until the rows are done or the
// stored length runs out, whichever comes first.
uint64_t s3m_pattern_bytes(const View &v, uint64_t at)
{
    uint64_t p = at;
    for (uint32_t row = 0; row < 64 && p < v.n;) {
        uint32_t what = u8(v, p++);
        if (what == 0) {
            row++;
            continue;
        }
        p += (what & 0x20 ? 2 : 0) + (what & 0x40 ? 1 : 0) + (what & 0x80 ? 2 : 0);
    }
    return p - at;
}

uint64_t s3m_size(const View &v)
{
    uint32_t orders = le16(v, 32), instruments = le16(v, 34), patterns = le16(v, 36);
    Span s;
    uint64_t pointers = 96 + (uint64_t)orders;
    uint64_t headerEnd = pointers + 2 * ((uint64_t)instruments + patterns);
    if (u8(v, 53) == 0xFC)
        headerEnd += 32; // default pan positions follow the pointers
    reach(s, headerEnd);
    for (uint32_t i = 0; i < instruments; i++) {
        uint64_t at = 16 * (uint64_t)le16(v, pointers + 2 * (uint64_t)i);
        if (!at)
            continue;
        reach(s, at + 80);
        if (u8(v, at) != 1)
            continue; // empty slot or an FM instrument: no sample data
        uint64_t length = le32(v, at + 16);
        uint32_t flags = u8(v, at + 31);
        uint64_t bytes = length * (flags & 4 ? 2 : 1) * (flags & 2 ? 2 : 1);
        if (u8(v, at + 30) == 4)
            bytes = 16 + (length + 1) / 2; // packing 4: ADPCM
        // The data pointer has a high byte before its 16-bit word; files written
        // without it leave garbage there, so it counts only when it stays in bounds.
        uint64_t wide = 16 * (((uint64_t)u8(v, at + 13) << 16) | le16(v, at + 14));
        uint64_t narrow = 16 * (uint64_t)le16(v, at + 14);
        uint64_t data = wide + bytes <= v.n ? wide : narrow;
        reach(s, data + bytes);
    }
    uint64_t patternPointers = pointers + 2 * (uint64_t)instruments;
    for (uint32_t i = 0; i < patterns; i++) {
        uint64_t at = 16 * (uint64_t)le16(v, patternPointers + 2 * (uint64_t)i);
        if (!at)
            continue;
        uint64_t stored = le16(v, at); // counts its own two bytes
        uint64_t walked = 2 + s3m_pattern_bytes(v, at + 2);
        reach(s, at + (stored >= 2 && stored < walked ? stored : walked));
    }
    return s.end;
}

} // namespace

ModuleExtent module_extent(const uint8_t *data, size_t readable)
{
    View v = {data, readable};
    ModuleExtent e = {KindOther, readable};
    uint64_t size = 0;
    bool paired = false;
    if (tag_at(v, 0, "Extended Module: ")) {
        e.kind = KindXm;
        size = xm_size(v);
    } else if (uint32_t channels = mod_channels(v, &paired)) {
        e.kind = KindMod;
        size = mod_size(v, channels, paired);
    } else if (tag_at(v, 0, "IMPM")) {
        e.kind = KindIt;
        size = it_size(v);
    } else if (tag_at(v, 44, "SCRM")) {
        e.kind = KindS3m;
        size = s3m_size(v);
    } else if (st_size(v, &size)) {
        e.kind = KindSt;
    } else {
        return e;
    }
    e.size = size < readable ? (size_t)size : readable;
    return e;
}
