// PTM modules (PolyTracker): a 608-byte header with the "PTMF" mark at 44, then one
// 80-byte header per sample slot, each with the file offset of its data. Sample data
// is stored as byte-wise deltas, for 16-bit samples too (encoding 37).
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    PTM_SAMPLE_COUNT = 34,
    PTM_MARK = 44,
    PTM_SAMPLES = 608,
    PTM_SAMPLE_SIZE = 80,

    // Sample header, relative to its start.
    PTM_SMP_TYPE = 0,
    PTM_SMP_C4SPEED = 14,
    PTM_SMP_DATA = 18,
    PTM_SMP_LENGTH = 22,
    PTM_SMP_LOOP_START = 26,
    PTM_SMP_LOOP_END = 30,
    PTM_SMP_NAME = 48, // 28 bytes, then the "PTMS" mark

    PTM_KIND_BITS = 3,
    PTM_KIND_DIGITISED = 1,
    PTM_TYPE_LOOP = 0x04,
    PTM_TYPE_PINGPONG = 0x08,
    PTM_TYPE_16BIT = 0x10,
};

static void load_ptm(LoadedModule *m, const ByteView &v)
{
    // Only as many headers as the file holds, and no more than the catalog.
    uint32_t n = records_that_fit(v, PTM_SAMPLES, rd16le(v, PTM_SAMPLE_COUNT), PTM_SAMPLE_SIZE);
    if (n > CATALOG_CAPACITY)
        n = CATALOG_CAPACITY;

    for (uint32_t i = 0; i < n; i++) {
        uint32_t h = PTM_SAMPLES + PTM_SAMPLE_SIZE * i;
        CatalogEntry e = {};
        // The header keeps half the C4 speed.
        e.rate = 2u * rd16le(v, h + PTM_SMP_C4SPEED);
        uint8_t type = rd8(v, h + PTM_SMP_TYPE);
        // Other kinds (empty, or not a digitised sample) keep only a rate and a name.
        if ((type & PTM_KIND_BITS) == PTM_KIND_DIGITISED) {
            e.encoding = pcm_encoding(ENC_DELTA, false, false);
            uint32_t len = rd32le(v, h + PTM_SMP_LENGTH);
            // The loop fields are 32 bits wide like the length: long samples loop
            // past 64 KB.
            uint32_t ls = rd32le(v, h + PTM_SMP_LOOP_START);
            uint32_t le = rd32le(v, h + PTM_SMP_LOOP_END);
            uint32_t data = rd32le(v, h + PTM_SMP_DATA);
            // Offset 0 is the module header, never sample data.
            uint32_t available = data ? view_bytes_from(m, data) : 0;
            if (type & PTM_TYPE_16BIT) {
                // Lengths and loops count bytes; 16-bit samples count frames here,
                // and finish_entry doubles them back.
                e.encoding = ENC_BYTE_DELTA16;
                len = clip_pcm_frames(len >> 1, available, 2, 1);
                ls >>= 1;
                le >>= 1;
            } else {
                len = clip_pcm_frames(len, available, 1, 1);
            }
            e.length = len;
            if (data)
                set_entry_data(m, &e, data);
            // Loop points are stored unchecked; the ping-pong bit wins.
            e.info.loopStart = ls;
            e.info.loopEnd = le;
            e.loopType =
                loop_kind(type & (PTM_TYPE_LOOP | PTM_TYPE_PINGPONG), type & PTM_TYPE_PINGPONG);
        }
        e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
        copy_name(e.name, v, h + PTM_SMP_NAME, 28);
        add_entry(m, &e, 1);
    }
}

const ModuleFormat PtmFormat = {VIRN_TYPE_PTM, 0, 28, PTM_MARK, "PTMF", nullptr, load_ptm};
