// The MTM loader, through the library's exported interface.
#include "loaded_module.h"
#include "mtm_writer.h"

#include <gtest/gtest.h>

static Bytes mtm_of(std::vector<MtmSample> samples)
{
    MtmSong song;
    song.samples = std::move(samples);
    return write_mtm(song);
}

TEST(MtmLoader, DataFollowsTracksPatternsAndComment)
{
    // Every area before the data has its own count; each one is varied alone.
    struct {
        uint16_t tracks;
        uint8_t lastPattern;
        size_t comment;
    } cases[] = {{10, 3, 0}, {0, 0, 0}, {1, 0, 37}, {2, 7, 5}};
    for (auto &c : cases) {
        MtmSong song;
        song.tracks = c.tracks;
        song.lastPattern = c.lastPattern;
        song.comment = std::string(c.comment, 'c');
        song.samples = {{"a", noise(300, 1)}, {"b", noise(200, 2)}};
        Bytes file = write_mtm(song);
        size_t at = 66 + 74 + 128 + 192u * c.tracks + 64u * (c.lastPattern + 1u) + c.comment;
        ASSERT_EQ(Bytes(file.begin() + (long)at, file.begin() + (long)at + 300), noise(300, 1));
        LoadedFile m(file);
        SCOPED_TRACE(testing::Message() << c.tracks << " tracks, last pattern "
                                        << (int)c.lastPattern << ", comment " << c.comment);
        EXPECT_EQ(m.stored(0), noise(300, 1));
        EXPECT_EQ(m.stored(1), noise(200, 2));
    }
}

TEST(MtmLoader, EightAndSixteenBitSamples)
{
    // Unsigned data; 16-bit samples count frames, their loops are bytes brought to
    // frames, and an odd byte count loses its last byte: a 16-bit length of 3001 bytes is
    // 1500 frames, and the next sample's data begins 3000 bytes later.
    MtmSong song;
    song.name = "Name longer than twenty";
    Bytes biased16 = sine16(1500, 75);
    for (size_t i = 1; i < biased16.size(); i += 2)
        biased16[i] ^= 0x80;
    MtmSample wide = {"16-bit", biased16, 1, 200, 2800};
    wide.length = 3001;
    Bytes narrow = ramp8(2000, 128, 1);
    song.samples = {{"8-bit", narrow, 0, 100, 1900}, wide, {"after", noise(100, 9)}};
    LoadedFile m(write_mtm(song));
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_MTM);
    EXPECT_EQ(m.song(), "Name longer than twe");
    ASSERT_EQ(m.count(), 3u);
    EXPECT_TRUE(entry_is(m.entry(0), "length 2000, encoding 1, loop 1:100-1900, rate 8363"));
    EXPECT_EQ(m.pcm(0), narrow); // unsigned: as WAV keeps it
    EXPECT_TRUE(
        entry_is(m.entry(1), "length 1500, encoding 5, bits 16, bytes 3000, loop 1:200-2800"));
    EXPECT_EQ(m.pcm(1), sine16(1500, 75));
    EXPECT_EQ(m.stored(2), noise(100, 9));
}

TEST(MtmLoader, LoopChecks)
{
    struct {
        uint32_t bytes;
        uint8_t attributes;
        uint32_t ls, le;
        const char *entry; // byte offsets, after finishing
    } cases[] = {
        {1000, 0, 0, 0, "length 1000, loop 0:0-0"},     // loop end 0: no loop
        {1000, 0, 100, 104, "length 1000, loop 0:0-0"}, // shorter than 5 values: dropped
        {1000, 0, 100, 105, "length 1000, loop 1:100-105"},
        {1000, 0, 100, 5000, "length 1000, loop 1:100-1000"}, // cut to the sample
        {1000, 0, 997, 5000, "length 1000, loop 0:0-0"},      // cut, then too short
        {1000, 1, 100, 108, "length 500, loop 0:0-0"},        // 16-bit: 4 frames are 8 bytes
        {1000, 1, 100, 110, "length 500, loop 1:100-110"},
        {1000, 1, 100, 4000, "length 500, loop 1:100-1000"},
        {4, 0, 0, 4, "length 0, loop 0:0-0"}, // a sample of 4 bytes or less is empty, loop and all
    };
    for (auto &c : cases) {
        LoadedFile m(mtm_of({{"s", noise(c.bytes, 3), c.attributes, c.ls, c.le},
                             {"keeps the module", noise(64, 4)}}));
        SCOPED_TRACE(testing::Message() << c.bytes << " bytes, attributes " << (int)c.attributes
                                        << ", loop " << c.ls << "-" << c.le);
        EXPECT_TRUE(entry_is(m.entry(0), c.entry));
    }
}

TEST(MtmLoader, TinySamplesAreEmptyButTheirBytesAreSteppedOver)
{
    // Samples of 1 to 4 bytes are empty slots, but real files store their bytes: the
    // next sample starts after them.
    LoadedFile m(mtm_of({{"tiny", Bytes{1, 2, 3, 4}},
                         {"one", Bytes{9}},
                         {"wide tiny", Bytes{5, 6, 7}, 1},
                         {"real", ramp8(50)}}));
    for (unsigned i = 0; i < 3; i++)
        EXPECT_TRUE(entry_is(m.entry(i), "length 0")) << i;
    EXPECT_EQ(m.samples(), 1u);
    EXPECT_EQ(m.stored(3), ramp8(50));
}

TEST(MtmLoader, AbsurdCountsAreClippedToTheFile)
{
    Bytes file = mtm_of({{"a", noise(500, 5)}});
    poke_le16(file, 24, 0xFFFF); // tracks: the data would lie far past the end
    LoadedFile m(file);
    EXPECT_TRUE(entry_is(m.entry(0), "length 0, bytes 0"));
    EXPECT_EQ(m.samples(), 0u);
}
