// PSM modules: a "PSM " file of type "FILE" made of chunks (identifier, 32-bit body
// size, body), with one "DSMP" chunk per sample. Samples are taken in file order;
// every other chunk is stepped over by its size. The format has no song title that
// the loader reads.
#include "module.h"
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

void load_psm(LoadedModule *m)
{
    if (m->recognised)
        return;
    ByteView v = module_view(m);
    if (!has_tag(v, 0, "PSM ") || !has_tag(v, PSM_TYPE, "FILE"))
        return;

    // Every step moves the cursor on by at least the 8-byte chunk head, so the walk
    // ends; it stops when the catalog is full.
    uint64_t cursor = PSM_CHUNKS;
    while (cursor + PSM_CHUNK_HEAD < v.size && m->entryCount < CATALOG_CAPACITY) {
        uint32_t size = rd32le(v, cursor + 4);
        uint64_t body = cursor + PSM_CHUNK_HEAD;
        cursor = body + size;
        if (size < PSM_SMP_DATA || !has_tag(v, body - PSM_CHUNK_HEAD, "DSMP"))
            continue;

        CatalogEntry e = {};
        e.rate = rd32le(v, body + PSM_SMP_RATE);
        e.encoding = 2;
        uint32_t len = rd32le(v, body + PSM_SMP_LENGTH);
        // Writers that leave the length field short still store the data: a length of
        // 3 or less stays when the chunk holds more than 3 data bytes.
        if (len <= PSM_TINY && size - PSM_SMP_DATA <= PSM_TINY)
            len = 0;
        e.length = clip_pcm_frames(len, view_bytes_from(m, body + PSM_SMP_DATA), 1, 1);
        set_entry_data(m, &e, body + PSM_SMP_DATA);

        // The stored loop start is one past the first looped value.
        uint32_t ls = rd32le(v, body + PSM_SMP_LOOP_START);
        if (ls > 0)
            ls--;
        e.info.loopStart = ls;
        e.info.loopEnd = rd32le(v, body + PSM_SMP_LOOP_END);
        e.loopType =
            (rd8(v, body + PSM_SMP_FLAGS) & PSM_FLAG_LOOP) ? VIRN_LOOP_FORWARD : VIRN_LOOP_NONE;
        e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
        copy_name(e.name, v, body + PSM_SMP_NAME, 34);

        m->entryCount++;
        if (e.length)
            m->sampleCount++;
        m->moduleType = VIRN_TYPE_PSM;
        finish_entry(&e, 1);
        store_entry(m, &e, m->entryCount - 1u);
    }
    m->recognised = 1;
}
