// IT modules (Impulse Tracker): an "IMPM" header, the order list, tables of 32-bit
// file offsets to the instruments, the samples and the patterns. Every sample header
// becomes a catalog entry in table order; instruments are not looked at. IT is the
// one format with sustain loops, and the one whose samples may be block-compressed
// (decoded at extraction, see it_decode.cpp).
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    IT_NAME = 4,
    IT_ORDER_COUNT = 32,
    IT_INSTRUMENT_COUNT = 34,
    IT_SAMPLE_COUNT = 36,
    IT_COMPATIBLE_WITH = 42, // Cmwt: the oldest tracker version that reads the file
    IT_ORDERS = 192,

    // Sample header, relative to its start.
    IT_SMP_FLAGS = 18,
    IT_SMP_NAME = 20,
    IT_SMP_CONVERT = 46,
    IT_SMP_LENGTH = 48,
    IT_SMP_LOOP_START = 52,
    IT_SMP_LOOP_END = 56,
    IT_SMP_RATE = 60,
    IT_SMP_SUSTAIN_START = 64,
    IT_SMP_SUSTAIN_END = 68,
    IT_SMP_DATA = 72,

    IT_FLAG_16BIT = 0x02,
    IT_FLAG_STEREO = 0x04,
    IT_FLAG_COMPRESSED = 0x08,
    IT_FLAG_LOOP = 0x10,
    IT_FLAG_SUSTAIN = 0x20,
    IT_FLAG_PINGPONG = 0x40,
    IT_FLAG_PINGPONG_SUSTAIN = 0x80,

    IT_CVT_SIGNED = 0x01,
    IT_CVT_BIG_ENDIAN = 0x02,
    IT_CVT_DELTA = 0x04, // plain data: stored as deltas; compressed: the 2.15 variant
    IT_CVT_ADPCM = 0xFF, // a later tracker's mark for 4-bit ADPCM 8-bit samples

    IT_SECOND_VARIANT = 0x215, // first version whose compressed samples may be 2.15
    IT_ADPCM_TABLE = 16,
};

// The encoding code of a sample, from its flags and conversion byte.
static uint8_t it_encoding(uint8_t flags, uint8_t cvt, uint32_t cmwt)
{
    bool wide = flags & IT_FLAG_16BIT;
    bool stereo = flags & IT_FLAG_STEREO;
    if (flags & IT_FLAG_COMPRESSED) {
        // Compressed stereo samples keep only their first channel: there is no code
        // for two compressed streams.
        bool second = cmwt >= IT_SECOND_VARIANT && (cvt & IT_CVT_DELTA);
        if (wide)
            return second ? ENC_IT16_SECOND : ENC_IT16;
        return second ? ENC_IT8_SECOND : ENC_IT8;
    }
    if (!wide && !stereo && cvt == IT_CVT_ADPCM)
        return ENC_ADPCM4;
    // Plain data stored as deltas: a running sum per channel.
    if (cvt & IT_CVT_DELTA)
        return pcm_encoding(ENC_DELTA, wide, stereo);
    // Big-endian signed 16-bit data has a code of its own for mono samples.
    if (wide && !stereo && (cvt & IT_CVT_BIG_ENDIAN) && (cvt & IT_CVT_SIGNED))
        return ENC_BIG_ENDIAN16;
    return pcm_encoding((cvt & IT_CVT_SIGNED) ? ENC_SIGNED : ENC_UNSIGNED, wide, stereo);
}

// The declared length cut to what `available` bytes of stored data can give.
static uint32_t it_clip_length(uint8_t encoding, uint32_t len, uint32_t available)
{
    uint32_t valueBytes = encoding & ENC_16BIT ? 2 : 1;
    uint64_t most;
    if (encoding >= ENC_IT8) {
        // Every step of the decoder reads at least one bit (the narrowest width is
        // 1), so a compressed stream never yields more than 8 values a byte. A longer
        // declared length is damage; the cap keeps it from making callers allocate
        // gigabytes for it.
        most = 8ull * available;
    } else if (encoding == ENC_ADPCM4) {
        // 16 steps, then two values a byte.
        most = available > IT_ADPCM_TABLE ? 2ull * (available - IT_ADPCM_TABLE) : 0;
    } else {
        return clip_pcm_frames(len, available, valueBytes, encoding & ENC_STEREO ? 2 : 1);
    }
    uint64_t representable = 0xFFFFFFFFu / valueBytes;
    if (most > representable)
        most = representable;
    return len < most ? len : (uint32_t)most;
}

static void load_it(LoadedModule *m, const ByteView &v)
{
    uint32_t orders = rd16le(v, IT_ORDER_COUNT);
    uint32_t instruments = rd16le(v, IT_INSTRUMENT_COUNT);
    uint32_t samples = rd16le(v, IT_SAMPLE_COUNT);
    uint32_t cmwt = rd16le(v, IT_COMPATIBLE_WITH);
    uint64_t table = IT_ORDERS + (uint64_t)orders + 4ull * instruments;
    // Only as many sample offsets as the file holds, and no more than the catalog.
    samples = records_that_fit(v, table, samples, 4);
    if (samples > CATALOG_CAPACITY)
        samples = CATALOG_CAPACITY;

    for (uint32_t k = 0; k < samples; k++) {
        uint64_t h = rd32le(v, table + 4ull * k);
        uint8_t flags = rd8(v, h + IT_SMP_FLAGS);
        uint8_t cvt = rd8(v, h + IT_SMP_CONVERT);
        CatalogEntry e = {};
        e.encoding = it_encoding(flags, cvt, cmwt);

        uint32_t data = rd32le(v, h + IT_SMP_DATA);
        // Offset 0 is the module header, never sample data.
        uint32_t available = data ? view_bytes_from(m, data) : 0;
        uint32_t len = it_clip_length(e.encoding, rd32le(v, h + IT_SMP_LENGTH), available);
        e.length = len;
        if (data)
            set_entry_data(m, &e, data);
        e.rate = rd32le(v, h + IT_SMP_RATE);

        // The ping-pong bit only says how a loop plays; on its own it is no loop. Many
        // real files carry it on samples that do not loop.
        e.loopType = loop_kind(flags & IT_FLAG_LOOP, flags & IT_FLAG_PINGPONG);
        e.sustainType = loop_kind(flags & IT_FLAG_SUSTAIN, flags & IT_FLAG_PINGPONG_SUSTAIN);
        // Loop points are kept as stored; the load cuts those of a playing loop to
        // the sample.
        e.info.loopStart = rd32le(v, h + IT_SMP_LOOP_START);
        e.info.loopEnd = rd32le(v, h + IT_SMP_LOOP_END);
        e.info.sustainStart = rd32le(v, h + IT_SMP_SUSTAIN_START);
        e.info.sustainEnd = rd32le(v, h + IT_SMP_SUSTAIN_END);
        copy_name(e.name, v, h + IT_SMP_NAME, 26);
        add_entry(m, &e, 1);
    }
}

const ModuleFormat ItFormat = {VIRN_TYPE_IT, IT_NAME, 26, 0, "IMPM", nullptr, load_it};
