// Decoding and conversion to WAV conventions, entry by entry.
#include "extract.h"
#include "fixtures.h"
#include "loader_toolkit.h"

#include <gtest/gtest.h>
#include <string.h>

// Decodes `stored` as one entry of `encoding` and `length` frames and converts it,
// the way VIRN_GetSample does.
static Bytes extract(uint8_t encoding, uint32_t length, const Bytes &stored,
                     size_t available = 1 << 30)
{
    Bytes copy(1, 0); // byte 0 stands for a header: offset 0 means "no data"
    copy.insert(copy.end(), stored.begin(), stored.end());
    LoadedModule m = {};
    m.copyBase = copy.data();
    m.fileCopy = copy.data();
    m.copyLength = (uint32_t)(available < stored.size() ? available + 1 : copy.size());
    m.fileLength = m.copyLength;
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

// The decoders every loader test reaches (through modules of ramps, noise and sines) are
// theirs; here the ones no loader test meets, and the rules for short entries.
TEST(Extract, EncodingsNoLoaderTestMeets)
{
    struct {
        const char *what;
        uint8_t encoding;
        uint32_t length;
        Bytes stored, expected;
    } cases[] = {
        {"two channels unsigned", 9, 4, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 5, 2, 6, 3, 7, 4, 8}},
        {"two channels 16-bit unsigned", 13, 4,
         le16s({0x8000, 0x8001, 0, 0xFFFF, 0x8000, 0x7FFF, 1, 2}),
         le16s({0, 0, 1, -1, -32768, -32767, 32767, -32766})},
        {"code without a decoder copies", 17, 4, {1, 2, 3, 4}, {0x81, 0x82, 0x83, 0x84}},
        {"fewer than 4 frames is silence", 0, 3, {5, 6, 7}, {0x80, 0x80, 0x80}},
        {"16-bit, 3 frames is silence", 4, 3, le16s({5, 6, 7}), le16s({0, 0, 0})},
    };
    for (auto &c : cases)
        EXPECT_EQ(extract(c.encoding, c.length, c.stored), c.expected) << c.what;
}

TEST(Extract, Adpcm)
{
    Bytes stored;
    for (int i = 0; i < 16; i++)
        stored.push_back((uint8_t)i); // steps 0, 1, ... 15
    stored.push_back(0x21);           // low nibble 1, then high nibble 2
    stored.push_back(0xF0);           // 0, then 15 (the high nibble)
    Bytes out = extract(3, 4, stored);
    EXPECT_EQ(out, (Bytes{0x81, 0x83, 0x83, 0x92}));
    // An odd count takes the low nibble of the last byte: 1, 3, then 3 + 3 = 6.
    Bytes odd(stored.begin(), stored.begin() + 16);
    odd.push_back(0x21);
    odd.push_back(0x03);
    CatalogEntry e = {};
    e.encoding = 3;
    e.length = 3;
    finish_entry(&e, 1);
    Bytes signedOut(3, 0);
    decode_sample(&e, odd.data(), (uint32_t)odd.size(), signedOut.data());
    EXPECT_EQ(signedOut, (Bytes{1, 3, 6}));
    // Five values from 16 + 3 bytes, none read beyond them: 1, 3, 6, 10, 15.
    odd[17] = 0x43;
    odd.push_back(0x05);
    EXPECT_EQ(extract(3, 5, odd, 19), (Bytes{0x81, 0x83, 0x86, 0x8A, 0x8F}));
}

TEST(Extract, StoredDataCutByTheEndOfTheCopyIsSilence)
{
    // 8 bytes declared, 5 in the copy.
    EXPECT_EQ(extract(0, 8, {1, 2, 3, 4, 5}, 5),
              (Bytes{0x81, 0x82, 0x83, 0x84, 0x85, 0x80, 0x80, 0x80}));
    // 16-bit: a half value at the end is not used.
    EXPECT_EQ(extract(4, 4, {1, 0, 2, 0, 3}, 5), le16s({1, 2, 0, 0}));
    // Split stereo: the right block lies beyond the copy.
    EXPECT_EQ(extract(8, 4, {1, 2, 3, 4, 5}, 5),
              (Bytes{0x81, 0x85, 0x82, 0x80, 0x83, 0x80, 0x84, 0x80}));
    // ADPCM with its table cut: nothing to decode.
    EXPECT_EQ(extract(3, 4, {1, 2, 3}, 3), (Bytes{0x80, 0x80, 0x80, 0x80}));
}
