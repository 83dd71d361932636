// PSM modules: a "PSM " file of type "FILE" made of chunks (identifier, 32-bit body
// size, body), with one "DSMP" chunk per sample. Samples are taken in file order;
// every other chunk is stepped over by its size. The format has no song title that
// the loader reads.
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    PSM_TYPE = 8,
    PSM_CHUNKS = 12,
    PSM_CHUNK_HEAD = 8,

    // "DSMP" body, relative to its start.
    PSM_SMP_FLAGS = 0,
    PSM_SMP_NAME = 13,
    PSM_SMP_LENGTH = 54,
    PSM_SMP_LOOP_START = 58,
    PSM_SMP_LOOP_END = 62,
    PSM_SMP_RATE = 73, // not aligned to 4
    PSM_SMP_DATA = 96,

    PSM_FLAG_LOOP = 0x80,
    PSM_TINY = 3, // a length this short counts only when the chunk holds more data
};

static bool test_psm(const ByteView &v)
{
    return has_tag(v, 0, "PSM ") && has_tag(v, PSM_TYPE, "FILE");
}

static void load_psm(LoadedModule *m, const ByteView &v)
{
    // The walk stops when the catalog is full.
    ChunkWalk walk = {v, PSM_CHUNKS, PSM_CHUNK_HEAD, false};
    Chunk c;
    while (m->entryCount < CATALOG_CAPACITY && next_chunk(&walk, &c)) {
        if (c.size < PSM_SMP_DATA || !chunk_is(walk, c, "DSMP"))
            continue;
        uint64_t body = c.body;

        CatalogEntry e = {};
        e.rate = rd32le(v, body + PSM_SMP_RATE);
        e.encoding = pcm_encoding(ENC_DELTA, false, false);
        uint32_t len = rd32le(v, body + PSM_SMP_LENGTH);
        // Writers that leave the length field short still store the data: a length of
        // 3 or less stays when the chunk holds more than 3 data bytes.
        if (len <= PSM_TINY && c.size - PSM_SMP_DATA <= PSM_TINY)
            len = 0;
        e.length = clip_pcm_frames(len, view_bytes_from(m, body + PSM_SMP_DATA), 1, 1);
        set_entry_data(m, &e, body + PSM_SMP_DATA);

        // The stored loop start is one past the first looped value.
        uint32_t ls = rd32le(v, body + PSM_SMP_LOOP_START);
        if (ls > 0)
            ls--;
        e.info.loopStart = ls;
        e.info.loopEnd = rd32le(v, body + PSM_SMP_LOOP_END);
        e.loopType = loop_kind(rd8(v, body + PSM_SMP_FLAGS) & PSM_FLAG_LOOP, false);
        e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
        copy_name(e.name, v, body + PSM_SMP_NAME, 34);
        add_entry(m, &e, 1);
    }
}

// The format has no song title that we read.
const ModuleFormat PsmFormat = {VIRN_TYPE_PSM, 0, 0, 0, nullptr, test_psm, load_psm};
