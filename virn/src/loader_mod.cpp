// MOD modules (the ProTracker family): 31 sample slots, a tag at 1080 that gives the
// channel count, the patterns, then the sample data of every slot in slot order.
// Header words are big-endian and count 16-bit words.
#include "formats.h"
#include "loader_toolkit.h"

#include <string.h>

enum {
    MOD_SLOTS = 31,
    MOD_SLOT_HEADER = 20, // first sample header
    MOD_SLOT_SIZE = 30,
    MOD_ORDER_LIST = 952,
    MOD_TAG = 1080,
    MOD_PATTERNS = 1084,     // pattern data follows the tag
    MOD_FLT8_PATTERN = 2048, // "FLT8": two 4-channel halves, 1024 bytes each
    MOD_ADPCM_MARK = 5,      // "ADPCM" in front of a packed sample's data
    MOD_ADPCM_TABLE = 16,    // 4-bit ADPCM data begins with 16 step bytes
};

// Periods by finetune: 0..7, then -8..-1 stored as 8..15.
static const uint16_t ModPeriodTable[16] = {
    428, 425, 422, 419, 416, 413, 410, 407, 453, 450, 447, 444, 441, 437, 434, 431,
};

static bool is_digit(uint8_t c)
{
    return c >= '0' && c <= '9';
}

// The channel count the tag gives, 0 when the file is not a MOD.
static uint32_t mod_channel_count(const uint8_t tag[4])
{
    // Tags that spell the count: "nCHN" (2CHN ... 9CHN) and "nnCH" (10CH ... 99CH).
    // These come before the first-character table so that a "64CH" module is not
    // taken for a six-channel one.
    if (is_digit(tag[0]) && tag[1] == 'C' && tag[2] == 'H' && tag[3] == 'N')
        return tag[0] - '0';
    if (is_digit(tag[0]) && is_digit(tag[1]) && tag[2] == 'C' && tag[3] == 'H')
        return (tag[0] - '0') * 10 + (tag[1] - '0');
    switch (tag[0]) {
    case '6':
        return 6;
    case '8':
    case 'C': // "CD81"
    case 'O': // "OKTA"
        return 8;
    case 'M': // "M.K.", "M!K!", "M&K!"
        return 4;
    case 'F': // "FLT4", "FLT8", "FA04" ... "FA08": the count is the fourth character
    case 'T': // "TDZ1" ... "TDZ4"
        return is_digit(tag[3]) ? (uint32_t)(tag[3] - '0') : 0;
    default:
        return 0;
    }
}

static uint8_t mod_largest_order(const uint8_t orders[128])
{
    uint8_t largest = 0;
    for (int i = 0; i < 128; i++)
        if (orders[i] > largest)
            largest = orders[i];
    return largest;
}

// The largest order entry plus one, kept in 8 bits (the song length is not consulted).
static uint8_t mod_pattern_count(const uint8_t orders[128])
{
    return (uint8_t)(mod_largest_order(orders) + 1);
}

// Bytes of pattern data between the tag and the samples.
static uint64_t mod_pattern_bytes(const uint8_t tag[4], const uint8_t orders[128],
                                  uint32_t channels)
{
    // "FLT8" orders count 4-channel half patterns: an 8-channel pattern is two of
    // them, listed as an even and the following odd number.
    if (memcmp(tag, "FLT8", 4) == 0)
        return (uint64_t)MOD_FLT8_PATTERN * (mod_largest_order(orders) / 2 + 1);
    return (uint64_t)channels * 256 * mod_pattern_count(orders);
}

// The PAL Amiga clock over twice the period. Only the low four bits of the finetune
// byte count: some writers leave junk in the high ones.
static uint32_t mod_finetune_rate(uint8_t finetune)
{
    return 7093789u / (2u * ModPeriodTable[finetune & 15]);
}

static bool test_mod(const ByteView &v)
{
    // Too short for the header and tag: not a MOD.
    return fits(v, 0, MOD_PATTERNS) && mod_channel_count(v.bytes + MOD_TAG) != 0;
}

static void load_mod(LoadedModule *m, const ByteView &v)
{
    uint32_t channels = mod_channel_count(v.bytes + MOD_TAG);
    uint64_t cursor =
        MOD_PATTERNS + mod_pattern_bytes(v.bytes + MOD_TAG, v.bytes + MOD_ORDER_LIST, channels);

    for (uint32_t i = 0; i < MOD_SLOTS; i++) {
        uint32_t h = MOD_SLOT_HEADER + MOD_SLOT_SIZE * i;
        // 32-bit lengths: a 16-bit product would wrap for samples of 64 KB or more and
        // misplace every sample after it.
        uint32_t stored = 2u * rd16be(v, h + 22);
        uint32_t len = stored;
        CatalogEntry e = {};
        // A 4-bit ADPCM sample is marked by "ADPCM" in front of its packed data (the
        // step table, then two values a byte); the name says nothing.
        bool adpcm = stored >= 4 && has_tag(v, cursor, "ADPCM");
        uint64_t data = adpcm ? cursor + MOD_ADPCM_MARK : cursor;
        e.encoding = adpcm ? ENC_ADPCM4 : ENC_SIGNED;
        set_entry_data(m, &e, data);
        // A slot whose data lies wholly outside the file is empty; one cut short keeps
        // its length and the missing part comes out silent.
        if (!e.data)
            len = 0;

        uint32_t ls = 2u * rd16be(v, h + 26);
        uint32_t ll = 2u * rd16be(v, h + 28);
        // Some writers store the loop start in bytes instead of words: when the loop
        // only fits with half the start, take half.
        if (ll > 2 && ls + ll > len && ls / 2 + ll <= len)
            ls /= 2;
        uint32_t le = ls + ll;
        if (len < 4)
            len = 0;
        if (len != 0) {
            if (ls >= len)
                ls = len - 1;
            if (le > len)
                le = len;
            // Loops that are reversed or too short to be meant (a loop length word of
            // 1 is the usual way of saying "no loop") are dropped.
            if (ls > le || le <= 8 || le - ls <= 4) {
                ls = 0;
                le = 0;
            }
            e.loopType = loop_kind(le > ls, false);
        }
        e.info.loopStart = ls;
        e.info.loopEnd = le;
        e.length = len;
        e.sustainType = VIRN_LOOP_NOT_IN_FORMAT;
        e.rate = mod_finetune_rate(rd8(v, h + 24));
        copy_name(e.name, v, h, 22);
        add_entry(m, &e, 1);

        // The file holds every slot's stored bytes, even the 2 bytes of a slot too
        // short to be a sample; ADPCM data is packed: the mark, the step table, then
        // two samples a byte.
        if (adpcm)
            cursor += MOD_ADPCM_MARK + MOD_ADPCM_TABLE + (stored + 1) / 2;
        else
            cursor += stored;
    }
}

const ModuleFormat ModFormat = {VIRN_TYPE_MOD, 0, 20, 0, nullptr, test_mod, load_mod};
