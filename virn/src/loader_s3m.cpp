// S3M modules (Scream Tracker 3): a 96-byte header with the "SCRM" mark, the order
// list, then 16-bit "parapointers" (offsets in 16-byte paragraphs) to the instrument
// headers. Only instruments marked "SCRS" hold digitised samples; AdLib instruments
// and empty slots take no catalog slot. All fields are little-endian.
#include "formats.h"
#include "loader_toolkit.h"
#include "sample_bounds.h"

enum {
    S3M_ORDER_COUNT = 32,
    S3M_INSTRUMENT_COUNT = 34,
    S3M_SAMPLE_FORMAT = 42, // 1 = signed sample data, anything else unsigned
    S3M_MARK = 44,
    S3M_ORDERS = 96,
    S3M_PARAGRAPH = 16,

    // Instrument header, relative to its start.
    S3M_INS_DATA_HIGH = 13, // high byte of the 24-bit data parapointer
    S3M_INS_DATA = 14,      // its low 16 bits
    S3M_INS_LENGTH = 16,
    S3M_INS_LOOP_START = 20,
    S3M_INS_LOOP_END = 24,
    S3M_INS_FLAGS = 31,
    S3M_INS_RATE = 32,
    S3M_INS_NAME = 48,
    S3M_INS_MARK = 76,

    S3M_FLAG_LOOP = 1,
    S3M_FLAG_STEREO = 2,
    S3M_FLAG_16BIT = 4,
};

// Where the instrument's sample data lies in the view. The parapointer is 24 bits
// wide: files past 1 MB need the high byte. Some writers leave junk there, so when the
// wide value points outside the file the 16-bit one is taken.
static uint64_t s3m_data_offset(const ByteView &v, uint64_t h)
{
    uint64_t low = (uint64_t)rd16le(v, h + S3M_INS_DATA) * S3M_PARAGRAPH;
    uint64_t wide = low + ((uint64_t)rd8(v, h + S3M_INS_DATA_HIGH) << 16) * S3M_PARAGRAPH;
    return wide < v.size ? wide : low;
}

static void load_s3m(LoadedModule *m, const ByteView &v)
{
    uint32_t orders = rd16le(v, S3M_ORDER_COUNT);
    uint32_t instruments = rd16le(v, S3M_INSTRUMENT_COUNT);
    bool signedData = rd16le(v, S3M_SAMPLE_FORMAT) == 1;

    uint64_t list = S3M_ORDERS + orders;
    // Some writers pad an odd order list to an even length and mark it by a first
    // order of 255 ("end of song"); the parapointers then start one byte later.
    if ((orders & 1) && rd8(v, S3M_ORDERS) == 255)
        list++;
    // Only as many parapointers as the file holds.
    instruments = records_that_fit(v, list, instruments, 2);

    for (uint32_t j = 0; j < instruments && m->entryCount < CATALOG_CAPACITY; j++) {
        uint64_t h = (uint64_t)rd16le(v, list + 2ull * j) * S3M_PARAGRAPH;
        // Empty slots and AdLib instruments carry no "SCRS" mark and no sample.
        if (!has_tag(v, h + S3M_INS_MARK, "SCRS"))
            continue;

        CatalogEntry e = {};
        uint8_t flags = rd8(v, h + S3M_INS_FLAGS);
        // A flags byte of 4 (16-bit, mono, no loop) is 16-bit PCM like any other
        // value with bit 2 set.
        e.encoding = pcm_encoding(signedData ? ENC_SIGNED : ENC_UNSIGNED, flags & S3M_FLAG_16BIT,
                                  flags & S3M_FLAG_STEREO);
        uint64_t data = s3m_data_offset(v, h);
        // Offset 0 is the module header, never sample data.
        uint32_t available = data ? view_bytes_from(m, data) : 0;
        uint32_t len =
            clip_pcm_frames(rd32le(v, h + S3M_INS_LENGTH), available,
                            flags & S3M_FLAG_16BIT ? 2 : 1, flags & S3M_FLAG_STEREO ? 2 : 1);
        e.length = len;
        if (data)
            set_entry_data(m, &e, data);
        e.rate = rd32le(v, h + S3M_INS_RATE);

        // Loops are cut to the sample; an empty sample keeps 0 and 0.
        uint32_t ls = rd32le(v, h + S3M_INS_LOOP_START);
        uint32_t le = rd32le(v, h + S3M_INS_LOOP_END);
        if (ls >= len)
            ls = len ? len - 1 : 0;
        // A loop end below 4 is no end at all, but the loop flag is kept as it is.
        if (le < 4)
            le = 0;
        if (le > len)
            le = len;
        e.loopType = loop_kind(flags & S3M_FLAG_LOOP, false);
        e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
        e.info.loopStart = ls;
        e.info.loopEnd = le;
        copy_name(e.name, v, h + S3M_INS_NAME, 28);
        add_entry(m, &e, 1);
    }
}

const ModuleFormat S3mFormat = {VIRN_TYPE_S3M, 0, 28, S3M_MARK, "SCRM", nullptr, load_s3m};
