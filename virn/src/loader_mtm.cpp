// MTM modules (MultiTracker): a 66-byte header, 37-byte sample headers, the order
// list, the tracks, the pattern track table and the comment, then the sample data in
// sample order. Sample data is unsigned; lengths and loops count bytes.
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    MTM_NAME = 4,
    MTM_TRACK_COUNT = 24,
    MTM_LAST_PATTERN = 26,
    MTM_COMMENT_LENGTH = 28,
    MTM_SAMPLE_COUNT = 30,
    MTM_SAMPLES = 66,
    MTM_SAMPLE_SIZE = 37,
    MTM_ORDER_LIST = 128,
    MTM_TRACK_SIZE = 192,
    MTM_PATTERN_SIZE = 64, // 32 track numbers of 16 bits

    // Sample header, relative to its start.
    MTM_SMP_LENGTH = 22,
    MTM_SMP_LOOP_START = 26,
    MTM_SMP_LOOP_END = 30,
    MTM_SMP_ATTRIBUTES = 36,

    MTM_ATTR_16BIT = 1,
    MTM_RATE = 8363,
};

static void load_mtm(LoadedModule *m, const ByteView &v)
{
    uint32_t n = rd8(v, MTM_SAMPLE_COUNT);
    uint64_t cursor = MTM_SAMPLES + (uint64_t)MTM_SAMPLE_SIZE * n + MTM_ORDER_LIST +
                      (uint64_t)MTM_TRACK_SIZE * rd16le(v, MTM_TRACK_COUNT) +
                      (uint64_t)MTM_PATTERN_SIZE * (rd8(v, MTM_LAST_PATTERN) + 1u) +
                      rd16le(v, MTM_COMMENT_LENGTH);

    for (uint32_t i = 0; i < n; i++) {
        uint32_t h = MTM_SAMPLES + MTM_SAMPLE_SIZE * i;
        CatalogEntry e = {};
        e.encoding = pcm_encoding(ENC_UNSIGNED, false, false);
        uint32_t len = rd32le(v, h + MTM_SMP_LENGTH);
        uint32_t ls = rd32le(v, h + MTM_SMP_LOOP_START);
        uint32_t le = rd32le(v, h + MTM_SMP_LOOP_END);
        // What the sample takes in the file: 16-bit samples are counted in whole
        // values, so an odd byte count loses its last byte. A sample of 4 bytes or
        // less is no sample, but real files store its bytes all the same.
        uint64_t stored = len;
        if (len > 4) {
            if (rd8(v, h + MTM_SMP_ATTRIBUTES) & MTM_ATTR_16BIT) {
                e.encoding = pcm_encoding(ENC_UNSIGNED, true, false);
                // Loop points are bytes too: bring them to frames with the length, so
                // that the checks below and finish_entry see one unit.
                len >>= 1;
                ls >>= 1;
                le >>= 1;
                stored = 2ull * len;
                len = clip_pcm_frames(len, view_bytes_from(m, cursor), 2, 1);
            } else {
                len = clip_pcm_frames(len, view_bytes_from(m, cursor), 1, 1);
            }
            e.length = len;
        }
        // A sample of 4 bytes or less keeps its length here only to cut the loop away.

        // Loops are cut to the sample; one shorter than 5 values is no loop at all.
        if (le > len)
            le = len;
        if ((uint64_t)ls + 4 >= le)
            ls = le = 0;
        e.loopType = loop_kind(le != 0, false);
        e.info.loopStart = ls;
        e.info.loopEnd = le;
        e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
        e.rate = MTM_RATE;
        copy_name(e.name, v, h, 22);
        set_entry_data(m, &e, cursor);
        add_entry(m, &e, 1);
        cursor += stored;
    }
}

const ModuleFormat MtmFormat = {VIRN_TYPE_MTM, MTM_NAME, 20, 0, "MTM", nullptr, load_mtm};
