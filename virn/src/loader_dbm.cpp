// DBM modules (DigiBooster Pro): big-endian, a fixed head ("DBM0", the NAME and INFO
// chunks, the start of the SONG chunk) and then a chain of chunks. Two of them make up
// each catalog entry: "INST" gives the rate and loop of the sample each instrument
// plays, "SMPL" the sample data, its length and its width. Either may come first.
// Lengths are stored as byte counts (16-bit samples have their length doubled), so
// entries are finished with shift 0.
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    DBM_NAME_SIZE = 12,
    DBM_NAME = 16,
    DBM_INFO = 60,
    DBM_INFO_SIZE = 64,
    DBM_INSTRUMENT_COUNT = 68,
    DBM_SAMPLE_COUNT = 70,
    DBM_SONG_COUNT = 72,
    DBM_CHANNEL_COUNT = 76,
    DBM_SONG = 78,
    DBM_ORDER_COUNT = 130, // of the first song
    DBM_ORDERS = 132,
    DBM_CHUNK_ROOM = 10, // a chunk head is read while more than 10 bytes follow it

    // "INST" record.
    DBM_INS_SIZE = 50,
    DBM_INS_SAMPLE = 30, // counted from 1; 0 = none
    DBM_INS_RATE = 34,
    DBM_INS_LOOP_START = 38,
    DBM_INS_LOOP_LENGTH = 42,
    DBM_INS_FLAGS = 48,
    DBM_INS_LOOP = 1,
    DBM_INS_PINGPONG = 2,

    // "SMPL" record head.
    DBM_SMP_HEAD = 8,
    DBM_SMP_8BIT = 1,
    DBM_SMP_16BIT = 2,
};

static uint32_t saturate32(uint64_t v)
{
    return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)v;
}

// Loop points are given in frames; the entry counts bytes, so a 16-bit sample's loop
// is doubled like its length.
static void dbm_scale_loop(CatalogEntry *e)
{
    e->info.loopStart = saturate32(2ull * e->info.loopStart);
    e->info.loopEnd = saturate32(2ull * e->info.loopEnd);
}

// An entry that "SMPL" has finished has its channel count set; a slot only "INST" has
// touched still has 0 there.
static bool dbm_has_sample(const CatalogEntry *e)
{
    return e->channels != 0;
}

// One instrument record: rate and loop go into the slot of the sample it names. What
// "SMPL" stored there (length, data, encoding) is kept.
static void dbm_instrument(LoadedModule *m, const ByteView &v, uint64_t r, uint32_t samples)
{
    uint32_t s = rd16be(v, r + DBM_INS_SAMPLE);
    // No sample, or one the module does not have: nothing to fill.
    if (s == 0 || s > samples)
        return;
    CatalogEntry *e = &m->catalog[s - 1];
    uint32_t flags = rd16be(v, r + DBM_INS_FLAGS);
    uint32_t loopLength = rd32be(v, r + DBM_INS_LOOP_LENGTH);
    e->info.loopStart = 0;
    e->info.loopEnd = 0;
    e->loopType = loop_kind(loopLength != 0 && (flags & (DBM_INS_LOOP | DBM_INS_PINGPONG)),
                            flags & DBM_INS_PINGPONG);
    if (e->loopType != VIRN_LOOP_NONE) {
        uint32_t ls = rd32be(v, r + DBM_INS_LOOP_START);
        e->info.loopStart = ls;
        e->info.loopEnd = saturate32((uint64_t)ls + loopLength);
        if (dbm_has_sample(e) && (e->encoding & VIRN_ENC_16BIT))
            dbm_scale_loop(e);
    }
    e->sustainType = VIRN_LOOP_NOT_IN_FORMAT;
    e->rate = rd32be(v, r + DBM_INS_RATE);
}

// The "SMPL" body: one record per sample, in sample order, each an entry. A slot is
// filled in place: "INST" may have put the rate and loop there already.
static void dbm_samples(LoadedModule *m, const ByteView &v, uint64_t p, uint32_t samples)
{
    for (uint32_t k = 0; k < samples; k++) {
        uint32_t flags = rd32be(v, p);
        uint32_t frames = rd32be(v, p + 4);
        uint64_t data = p + DBM_SMP_HEAD;
        uint32_t available = view_bytes_from(m, data);
        CatalogEntry *e = &m->catalog[k];
        uint64_t stored;
        if (flags & DBM_SMP_16BIT) {
            e->encoding = ENC_BIG_ENDIAN16;
            stored = 2ull * frames;
            e->length = 2u * clip_pcm_frames(frames, available, 2, 1);
            // "INST" came first and left the loop in frames.
            dbm_scale_loop(e);
        } else {
            // A kind without a decoder is listed but is no sample.
            e->encoding = (flags & DBM_SMP_8BIT) ? ENC_SIGNED : ENC_NO_DECODER;
            stored = frames;
            e->length = clip_pcm_frames(frames, available, 1, 1);
        }
        set_entry_data(m, e, data);
        add_entry(m, e, 0);
        p = data + stored;
    }
}

static bool test_dbm(const ByteView &v)
{
    return rd16be(v, DBM_CHANNEL_COUNT) != 0 && has_tag(v, 0, "DBM0") &&
           rd16be(v, DBM_SONG_COUNT) != 0 && has_tag(v, DBM_SONG, "SONG") &&
           has_tag(v, 8, "NAME") && rd32be(v, DBM_NAME_SIZE) == 44 &&
           has_tag(v, DBM_INFO, "INFO") && rd32be(v, DBM_INFO_SIZE) == 10;
}

static void load_dbm(LoadedModule *m, const ByteView &v)
{
    uint32_t instruments = rd16be(v, DBM_INSTRUMENT_COUNT);
    uint32_t samples = rd16be(v, DBM_SAMPLE_COUNT);
    if (samples > CATALOG_CAPACITY)
        samples = CATALOG_CAPACITY;
    ChunkWalk walk = {v, DBM_ORDERS + 2ull * rd16be(v, DBM_ORDER_COUNT), DBM_CHUNK_ROOM, true};
    Chunk c;
    bool haveSamples = false;
    while (next_chunk(&walk, &c)) {
        if (chunk_is(walk, c, "INST")) {
            // Only the records that lie inside the chunk: bytes after it belong to
            // other chunks.
            uint32_t records = c.size / DBM_INS_SIZE;
            uint32_t count = instruments < records ? instruments : records;
            for (uint32_t j = 0; j < count; j++)
                dbm_instrument(m, v, c.body + (uint64_t)DBM_INS_SIZE * j, samples);
        } else if (chunk_is(walk, c, "SMPL") && !haveSamples) {
            // A second "SMPL" chunk would count every sample again; the first one
            // is the module's.
            haveSamples = true;
            dbm_samples(m, v, c.body, samples);
        }
    }
}

const ModuleFormat DbmFormat = {VIRN_TYPE_DBM, DBM_NAME, 44, 0, nullptr, test_dbm, load_dbm};
