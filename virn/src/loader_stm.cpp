// STM modules (Scream Tracker 2): a fixed 1168-byte header with 31 instrument headers
// (only the first 30 are slots), the patterns of 1024 bytes each, then the sample data
// in instrument order, every sample starting on a 16-byte boundary. Each instrument
// header points at its data in 16-byte paragraphs; real files store data even for
// slots that count as empty (volume 0), so the pointer places a sample, and the
// positions that follow from the lengths are only the fallback.
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    STM_TRACKER = 20,
    STM_EOF_MARK = 28,
    STM_FILE_TYPE = 29,
    STM_PATTERN_COUNT = 33,
    STM_INSTRUMENTS = 48,
    STM_INSTRUMENT_SIZE = 32,
    STM_SLOTS = 30,
    STM_PATTERNS = 1168, // after the instrument headers and the 128-byte order list
    STM_PATTERN_SIZE = 1024,
    STM_ALIGN = 16,

    // Instrument header, relative to its start.
    STM_INS_PARAGRAPH = 14,
    STM_INS_LENGTH = 16,
    STM_INS_LOOP_START = 18,
    STM_INS_LOOP_END = 20,
    STM_INS_VOLUME = 22,
    STM_INS_RATE = 24,

    STM_NO_LOOP = 0xFFFF,
};

static bool test_stm(const ByteView &v)
{
    // Scream Tracker itself writes "!Scream!"; "!SCREAM!" is accepted as well.
    return rd8(v, STM_FILE_TYPE) == 2 && rd8(v, STM_EOF_MARK) == 0x1A &&
           (has_tag(v, STM_TRACKER, "!Scream!") || has_tag(v, STM_TRACKER, "!SCREAM!") ||
            has_tag(v, STM_TRACKER, "BMOD2STM"));
}

static void load_stm(LoadedModule *m, const ByteView &v)
{
    uint64_t cursor = STM_PATTERNS + (uint64_t)STM_PATTERN_SIZE * rd8(v, STM_PATTERN_COUNT);

    for (uint32_t i = 0; i < STM_SLOTS; i++) {
        uint32_t h = STM_INSTRUMENTS + STM_INSTRUMENT_SIZE * i;
        CatalogEntry e = {};
        e.rate = rd16le(v, h + STM_INS_RATE);
        e.encoding = ENC_SIGNED;
        // Instruments too short to play, or silenced by volume 0, are empty slots;
        // the cursor does not step over whatever bytes they may have.
        uint32_t declared = rd16le(v, h + STM_INS_LENGTH);
        if (declared < 4 || rd8(v, h + STM_INS_VOLUME) == 0)
            declared = 0;
        // Every sample starts on a 16-byte boundary, even an empty one's position.
        cursor = (cursor + STM_ALIGN - 1) & ~(uint64_t)(STM_ALIGN - 1);
        // The header's pointer decides where it points into the file; the running
        // position stands in for a pointer of 0 or one past the end.
        uint64_t data = (uint64_t)rd16le(v, h + STM_INS_PARAGRAPH) * STM_ALIGN;
        if (data == 0 || data >= v.size)
            data = cursor;
        set_entry_data(m, &e, data);
        e.length = clip_pcm_frames(declared, view_bytes_from(m, data), 1, 1);

        // Loop points are kept as stored; 0xFFFF as the end means "no loop".
        uint32_t ls = rd16le(v, h + STM_INS_LOOP_START);
        uint32_t le = rd16le(v, h + STM_INS_LOOP_END);
        e.info.loopStart = ls;
        e.info.loopEnd = le;
        e.loopType = loop_kind(le > ls && le != STM_NO_LOOP, false);
        e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
        // The 12-character file name is followed by a zero and a disk byte.
        copy_name(e.name, v, h, 14);
        add_entry(m, &e, 1);
        if (declared)
            cursor = data + declared;
    }
}

const ModuleFormat StmFormat = {VIRN_TYPE_STM, 0, 20, 0, nullptr, test_stm, load_stm};
