// ULT modules (UltraTracker): a header with the song text, the sample headers, the
// order list, the pattern data, then the sample data in sample order. Nothing in the
// file says where the sample data begins: the loader walks the pattern data event by
// event to find its end.
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    ULT_VERSION = 14,
    ULT_TITLE = 15,
    ULT_TEXT_LINES = 47,
    ULT_TEXT_START = 48,
    ULT_TEXT_LINE = 32,
    ULT_HEADER_OLD = 64,
    ULT_HEADER_NEW = 66, // version '4' on: the C2 frequency follows the flags
    ULT_ORDER_LIST = 256,
    ULT_ROWS = 64,
    ULT_EVENT = 5,     // note, sample, effects, two parameters
    ULT_REPEAT = 0xFC, // then a row count, then the event that fills those rows

    // Sample header, relative to its start.
    ULT_SMP_LOOP_START = 44,
    ULT_SMP_LOOP_END = 48,
    ULT_SMP_SIZE_START = 52,
    ULT_SMP_SIZE_END = 56,
    ULT_SMP_FLAGS = 61,
    ULT_SMP_C2FREQ = 62,

    ULT_FLAG_16BIT = 0x04,
    ULT_FLAG_LOOP = 0x08,
    ULT_FLAG_PINGPONG = 0x10,
    ULT_RATE = 8363,
};

// The offset just past the pattern data that starts at `cursor`: two count bytes
// (channels - 1, patterns - 1), from version '3' on one pan position a channel, then
// for every channel and every pattern 64 rows of events. An event is 5 bytes; 0xFC
// puts a row count in front of one, which then fills that many rows (a count of 0
// fills one row, as a plain event does, so every event moves the walk on). The walk
// stops at the end of the view: each event takes at least 5 bytes.
static uint64_t ult_skip_patterns(const ByteView &v, uint64_t cursor, uint8_t version)
{
    uint32_t channels = rd8(v, cursor) + 1u;
    uint32_t patterns = rd8(v, cursor + 1) + 1u;
    cursor += 2;
    if (version >= '3')
        cursor += channels;
    uint64_t blocks = (uint64_t)channels * patterns;
    for (uint64_t b = 0; b < blocks && cursor < v.size; b++) {
        uint32_t row = 0;
        while (row < ULT_ROWS && cursor < v.size) {
            uint32_t fill = 1;
            if (rd8(v, cursor) == ULT_REPEAT) {
                fill = rd8(v, cursor + 1);
                if (fill == 0)
                    fill = 1;
                cursor += 2;
            }
            cursor += ULT_EVENT;
            row += fill;
        }
    }
    return cursor;
}

static void load_ult(LoadedModule *m, const ByteView &v)
{
    uint8_t version = rd8(v, ULT_VERSION);
    uint32_t headerSize = version >= '4' ? ULT_HEADER_NEW : ULT_HEADER_OLD;
    uint64_t cursor = ULT_TEXT_START + (uint64_t)ULT_TEXT_LINE * rd8(v, ULT_TEXT_LINES);
    // The count is unsigned: up to 255 samples.
    uint32_t n = rd8(v, cursor);
    uint64_t headers = cursor + 1;
    uint64_t data =
        ult_skip_patterns(v, headers + (uint64_t)headerSize * n + ULT_ORDER_LIST, version);

    // The headers come first in the file and the data after the patterns; with both
    // positions known every entry is made in one go (its length is cut to the data
    // the file holds, which is known only once the data is found).
    for (uint32_t i = 0; i < n; i++) {
        uint64_t h = headers + (uint64_t)headerSize * i;
        CatalogEntry e = {};
        uint32_t sizeStart = rd32le(v, h + ULT_SMP_SIZE_START);
        uint32_t sizeEnd = rd32le(v, h + ULT_SMP_SIZE_END);
        // An end before the start is damage, not a sample of 4 G frames.
        uint32_t frames = sizeEnd > sizeStart ? sizeEnd - sizeStart : 0;
        uint8_t flags = rd8(v, h + ULT_SMP_FLAGS);
        // Each sample has its own width: one 16-bit sample leaves the next one 8-bit.
        bool wide = flags & ULT_FLAG_16BIT;
        e.encoding = pcm_encoding(ENC_SIGNED, wide, false);
        e.rate = version >= '4' ? rd16le(v, h + ULT_SMP_C2FREQ) : (uint32_t)ULT_RATE;
        e.length = clip_pcm_frames(frames, view_bytes_from(m, data), wide ? 2 : 1, 1);
        set_entry_data(m, &e, data);

        // Loop points are kept as stored; the ping-pong bit wins. A 16-bit sample
        // stores them in bytes (its sizes count frames): halve them like a length.
        e.info.loopStart = rd32le(v, h + ULT_SMP_LOOP_START) >> (wide ? 1 : 0);
        e.info.loopEnd = rd32le(v, h + ULT_SMP_LOOP_END) >> (wide ? 1 : 0);
        e.loopType =
            loop_kind(flags & (ULT_FLAG_LOOP | ULT_FLAG_PINGPONG), flags & ULT_FLAG_PINGPONG);
        e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
        copy_name(e.name, v, h, 32);
        add_entry(m, &e, 1);
        data += (uint64_t)frames * (wide ? 2 : 1);
    }
}

const ModuleFormat UltFormat = {VIRN_TYPE_ULT,    ULT_TITLE, 32,      0,
                                "MAS_UTrack_V00", nullptr,   load_ult};
