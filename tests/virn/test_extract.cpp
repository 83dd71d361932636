// Decoding and conversion to WAV conventions, entry by entry.
#include "extract.h"
#include "fixtures.h"
#include "loader_toolkit.h"

#include <gtest/gtest.h>

// Decodes `stored`, the last bytes of the copy, as one entry of `encoding` and `length`
// frames and converts it, the way VIRN_GetSample does.
static Bytes extract(uint8_t encoding, uint32_t length, const Bytes &stored)
{
    Bytes copy(1, 0); // byte 0 stands for a header: offset 0 means "no data"
    copy.insert(copy.end(), stored.begin(), stored.end());
    LoadedModule m = {};
    m.copyBase = copy.data();
    m.fileCopy = copy.data();
    m.copyLength = m.fileLength = (uint32_t)copy.size();
    CatalogEntry e = {};
    e.length = length;
    e.encoding = encoding;
    finish_entry(&e, 1);
    set_entry_data(&m, &e, 1);
    Bytes out(e.info.byteLength + 8, 0xEE); // guard bytes must stay untouched
    extract_sample(&m, &e, out.data());
    for (size_t i = e.info.byteLength; i < out.size(); i++)
        EXPECT_EQ(out[i], 0xEE) << "wrote past byteLength";
    out.resize(e.info.byteLength);
    return out;
}

// The decoders every loader test reaches (through modules of ramps, noise and sines, and
// libxmp's reading of the fixtures) are theirs; here the ones no loader test meets, the
// rules for short entries and stored data cut by the end of the copy (what is missing is
// silence).
TEST(Extract, EncodingsNoLoaderTestMeetsAndShortData)
{
    // ADPCM: 16 steps (0, 1, ... 15), then two step indexes a byte, low nibble first.
    Bytes adpcm = ramp8(16);
    adpcm.insert(adpcm.end(), {0x21, 0x43, 0x05});
    struct {
        const char *what;
        uint8_t encoding;
        uint32_t length;
        Bytes stored, expected;
    } cases[] = {
        {"stereo signed", 8, 4, ramp8(8, 1), {129, 133, 130, 134, 131, 135, 132, 136}},
        {"stereo unsigned", 9, 4, ramp8(8, 1), {1, 5, 2, 6, 3, 7, 4, 8}},
        {"stereo 16-bit unsigned", 13, 4, le16s({0x8000, 0x8001, 0, 0xFFFF, 0x8000, 0x7FFF, 1, 2}),
         le16s({0, 0, 1, -1, -32768, -32767, 32767, -32766})},
        {"code without a decoder copies", 17, 4, ramp8(4, 1), {129, 130, 131, 132}},
        {"fewer than 4 frames is silence", 0, 3, {5, 6, 7}, {128, 128, 128}},
        {"16-bit, 3 frames is silence", 4, 3, le16s({5, 6, 7}), le16s({0, 0, 0})},
        {"8 bytes, 5 in the copy", 0, 8, ramp8(5, 1), {129, 130, 131, 132, 133, 128, 128, 128}},
        {"16-bit: no half value", 4, 4, {1, 0, 2, 0, 3}, le16s({1, 2, 0, 0})},
        {"right block cut", 8, 4, ramp8(5, 1), {129, 133, 130, 128, 131, 128, 132, 128}},
        {"ADPCM with its table cut", 3, 4, {1, 2, 3}, {128, 128, 128, 128}},
        // Five values from 16 + 3 bytes, none read beyond them: 1, 3, 6, 10, 15.
        {"ADPCM, an odd count", 3, 5, adpcm, {129, 131, 134, 138, 143}},
    };
    for (auto &c : cases)
        EXPECT_EQ(extract(c.encoding, c.length, c.stored), c.expected) << c.what;
}
