// XM modules (FastTracker 2 extended modules): a header with the song's counts, the
// patterns, then the instruments, each followed by its sample headers and then its
// sample data. Lengths and loop points count bytes; sample data is stored as deltas.
// Nothing in the file says where an instrument or its data starts: every position
// comes from summing the sizes before it, so the cursors are 64-bit and any value
// read past the end of the view is 0.
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    XM_NAME = 17,
    XM_HEADER_SIZE = 60, // counted from offset 60 itself
    XM_PATTERN_COUNT = 70,
    XM_INSTRUMENT_COUNT = 72,
    XM_FIXED_HEADER = 20,  // header-size field through tempo and BPM
    XM_USUAL_HEADER = 276, // ... plus the 256-byte order table

    XM_PATTERN_PACKED_SIZE = 7, // after the u32 pattern header length

    XM_INS_SAMPLE_COUNT = 27,
    XM_INS_MIN_WITH_COUNT = 29, // an instrument header this short still holds the count
    XM_SAMPLE_HEADER = 40,

    // Sample header, relative to its start.
    XM_SMP_LOOP_START = 4,
    XM_SMP_LOOP_LENGTH = 8,
    XM_SMP_FINETUNE = 13,
    XM_SMP_TYPE = 14,
    XM_SMP_RELATIVE_NOTE = 16,
    XM_SMP_PACKING = 17, // 0xAD: 4-bit ADPCM (a later tracker's extension)
    XM_SMP_NAME = 18,

    XM_TYPE_LOOP_BITS = 3, // 0 none, 1 forward, 2 or 3 ping-pong
    XM_TYPE_PINGPONG = 2,
    XM_TYPE_16BIT = 0x10,
    XM_TYPE_STEREO = 0x20,
    XM_ADPCM_MARK = 0xAD,
    XM_ADPCM_TABLE = 16,
};

// The rate of a sample from its relative note and fine-tune, both signed. The linear
// table covers notes 0 and up; a relative note below -48 lies whole octaves under it,
// and each octave down halves the rate exactly as the table rule would.
static uint32_t xm_rate(int8_t relativeNote, int8_t finetune)
{
    int32_t note = relativeNote + 48;
    uint32_t octavesDown = 0;
    while (note < 0) {
        note += 12;
        octavesDown++;
    }
    uint32_t rate = note_rate((uint32_t)note, (uint32_t)(finetune + 128)) >> octavesDown;
    return rate ? rate : 1;
}

// Adds the entry of the sample header at `sh` whose data starts at `data`; returns how
// many bytes of the file the sample's data takes (what the next sample skips).
static uint64_t xm_sample(LoadedModule *m, const ByteView &v, uint64_t sh, uint64_t data)
{
    CatalogEntry e = {};
    uint32_t len = rd32le(v, sh);
    uint8_t type = rd8(v, sh + XM_SMP_TYPE);
    uint32_t available = view_bytes_from(m, data);
    // ADPCM packs two values a byte behind a table of 16 steps; the length field
    // counts values. It applies to 8-bit mono samples only. An empty ADPCM sample
    // takes no bytes at all (no table without values).
    bool adpcm = rd8(v, sh + XM_SMP_PACKING) == XM_ADPCM_MARK &&
                 !(type & (XM_TYPE_16BIT | XM_TYPE_STEREO)) && len != 0;
    uint64_t stored = adpcm ? ((uint64_t)len + 1) / 2 + XM_ADPCM_TABLE : len;

    // Frames, and the loop converted from bytes to frames by the same shifts.
    uint32_t frames = len;
    uint32_t loopStart = rd32le(v, sh + XM_SMP_LOOP_START);
    uint32_t loopLength = rd32le(v, sh + XM_SMP_LOOP_LENGTH);
    uint32_t valueBytes = 1, channels = 1;
    e.encoding = pcm_encoding(ENC_DELTA, type & XM_TYPE_16BIT, type & XM_TYPE_STEREO);
    if (type & XM_TYPE_16BIT)
        valueBytes = 2;
    if (type & XM_TYPE_STEREO)
        channels = 2;
    int shift = (valueBytes == 2) + (channels == 2);
    frames >>= shift;
    loopStart >>= shift;
    loopLength >>= shift;

    uint32_t storedKept = 0; // the ADPCM block as far as the file holds it
    if (adpcm) {
        e.encoding = ENC_ADPCM4;
        uint32_t packed = available > XM_ADPCM_TABLE ? available - XM_ADPCM_TABLE : 0;
        if (frames / 2 > packed)
            frames = 2 * packed;
        storedKept = frames ? (uint32_t)(stored < available ? stored : available) : 0;
    } else {
        frames = clip_pcm_frames(frames, available, valueBytes, channels);
    }

    // Loops are repaired against the values the sample really has (for ADPCM the
    // decoded count, not the packed size).
    uint8_t loopBits = type & XM_TYPE_LOOP_BITS;
    uint64_t ls = loopStart;
    uint64_t le = (uint64_t)loopStart + loopLength;
    if (ls >= frames)
        loopBits = 0;
    if (le > frames)
        le = frames;
    if (le == 0)
        loopBits = 0;
    // A loop that starts at or after its end is no loop, but the type stays.
    if (ls >= le)
        ls = le = 0;
    e.loopType = loop_kind(loopBits != 0, loopBits & XM_TYPE_PINGPONG);
    e.info.loopStart = (uint32_t)ls;
    e.info.loopEnd = (uint32_t)le;
    e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
    // An ADPCM entry's length is its stored block, so that an as-is copy takes the
    // whole packed sample; the decoded size goes into byteLength below.
    e.length = adpcm ? storedKept : frames;
    e.rate =
        xm_rate((int8_t)rd8(v, sh + XM_SMP_RELATIVE_NOTE), (int8_t)rd8(v, sh + XM_SMP_FINETUNE));
    set_entry_data(m, &e, data);
    copy_name(e.name, v, sh + XM_SMP_NAME, 22);
    CatalogEntry *added = add_entry(m, &e, 1);
    if (added && adpcm)
        added->info.byteLength = frames;
    return stored;
}

static void load_xm(LoadedModule *m, const ByteView &v)
{
    // The patterns follow the header, whose size counts from its own size field. Most
    // files say 276 (fixed fields and a 256-byte order table); a size too small for
    // the fixed fields cannot be meant and is read as the usual one.
    uint32_t headerSize = rd32le(v, XM_HEADER_SIZE);
    if (headerSize < XM_FIXED_HEADER)
        headerSize = XM_USUAL_HEADER;
    uint64_t cursor = XM_HEADER_SIZE + (uint64_t)headerSize;
    uint32_t patterns = rd16le(v, XM_PATTERN_COUNT);
    uint32_t instruments = rd16le(v, XM_INSTRUMENT_COUNT);

    // Pattern: its header length, then the packed size at 7 gives the data after it.
    for (uint32_t p = 0; p < patterns && cursor < v.size; p++)
        cursor += (uint64_t)rd32le(v, cursor) + rd16le(v, cursor + XM_PATTERN_PACKED_SIZE);

    for (uint32_t i = 0; i < instruments && cursor < v.size; i++) {
        uint32_t size = rd32le(v, cursor);
        uint32_t n = size >= XM_INS_MIN_WITH_COUNT ? rd16le(v, cursor + XM_INS_SAMPLE_COUNT) : 0;
        // An instrument without samples is its header alone.
        if (n == 0) {
            cursor += size;
            continue;
        }
        // The sample headers follow the instrument header, whose length is its size
        // field (263 from most trackers, other values from some).
        uint64_t headers = cursor + size;
        uint64_t data = headers + (uint64_t)XM_SAMPLE_HEADER * n;
        // Only the headers that the file holds become entries.
        uint32_t present = records_that_fit(v, headers, n, XM_SAMPLE_HEADER);
        uint64_t total = 0;
        for (uint32_t s = 0; s < present && m->entryCount < CATALOG_CAPACITY; s++) {
            uint64_t stored = xm_sample(m, v, headers + (uint64_t)XM_SAMPLE_HEADER * s, data);
            data += stored;
            total += stored;
        }
        if (m->entryCount >= CATALOG_CAPACITY)
            break;
        cursor = headers + (uint64_t)XM_SAMPLE_HEADER * n + total;
    }
}

const ModuleFormat XmFormat = {VIRN_TYPE_XM, XM_NAME, 20, 0, "Extended Module", nullptr, load_xm};
