// The PTM loader, through the library's exported interface.
#include "loaded_module.h"
#include "ptm_writer.h"

#include <gtest/gtest.h>

TEST(PtmLoader, ByteDeltasOfBothWidthsDecode)
{
    PtmSong song;
    song.name = "A PTM song name of 28 chars and more";
    Bytes narrow = noise(1000, 1), wide = sine16(2000, 90);
    song.samples = {{"narrow", ptm_deltas(narrow)}, {"wide", ptm_deltas(wide), 1 | 16}};
    LoadedFile m(write_ptm(song));
    ASSERT_TRUE(m.h);
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_PTM);
    EXPECT_STREQ(VIRN_GetSongName(m.h), "A PTM song name of 28 chars ");
    EntryView e = m.entry(0);
    EXPECT_EQ(e.encoding, 2);
    EXPECT_EQ(e.length, 1000u);
    EXPECT_EQ(m.pcm(0), wav8(narrow));
    // 4000 stored bytes: 2000 frames of 16 bits.
    e = m.entry(1);
    EXPECT_EQ(e.encoding, 37);
    EXPECT_EQ(e.length, 2000u);
    EXPECT_EQ(e.bits, 16);
    EXPECT_EQ(e.info.byteLength, 4000u);
    EXPECT_EQ(m.pcm(1), wide);
}

TEST(PtmLoader, KindsRatesLoopsAndNames)
{
    struct {
        uint8_t type;
        uint32_t ls, le;
        uint32_t length, loopStart, loopEnd; // bytes after finishing
        uint8_t loopType;
    } cases[] = {
        {1, 100, 900, 1000, 100, 900, 0},
        {1 | 4, 100, 900, 1000, 100, 900, 1},
        {0x0D, 100, 900, 1000, 100, 900, 2}, // digitised, loop and ping-pong bits
        {1 | 8, 100, 900, 1000, 100, 900, 2},
        {1 | 4 | 16, 100, 901, 1000, 100, 900, 1}, // bytes to frames and back
        {1, 10, 65537, 1000, 10, 65537, 0},        // all 32 bits of a loop field
        {1 | 4, 10, 65537, 1000, 10, 1000, 1},     // a loop is cut to the sample
        {0, 100, 900, 0, 0, 0, 0},                 // empty slot
        {2, 100, 900, 0, 0, 0, 0},                 // not a digitised sample
    };
    for (auto &c : cases) {
        PtmSong song;
        song.samples = {
            {"a sample name of 28 letters!", ptm_deltas(noise(1000, 2)), c.type, c.ls, c.le}};
        LoadedFile m(write_ptm(song));
        SCOPED_TRACE(testing::Message() << "type " << (int)c.type);
        // Every slot carries the module type, so a module of empty slots still loads.
        ASSERT_TRUE(m.h);
        const EntryView e = m.entry(0);
        EXPECT_EQ(e.info.byteLength, c.length);
        EXPECT_EQ(e.info.loopStart, c.loopStart);
        EXPECT_EQ(e.info.loopEnd, c.loopEnd);
        EXPECT_EQ(e.loopType, c.loopType);
        EXPECT_EQ(e.rate, 16726u); // twice the C4 speed
        EXPECT_EQ(e.sustainType, VIRN_LOOP_NOT_IN_FORMAT);
        EXPECT_STREQ(e.name, "a sample name of 28 letters!");
    }
}

TEST(PtmLoader, EmptySlotsKeepRateAndNameAndDoNotCount)
{
    PtmSong song;
    song.samples = {{"no sample", {}, 0, 0, 0, 4000},
                    {"zero length", Bytes()},
                    {"real", ptm_deltas(ramp8(64))}};
    LoadedFile m(write_ptm(song));
    ASSERT_TRUE(m.h);
    ASSERT_EQ(m.count(), 3u);
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 1), 1u);
    EXPECT_EQ(m.entry(0).rate, 8000u);
    EXPECT_STREQ(m.entry(0).name, "no sample");
    EXPECT_EQ(m.entry(0).length, 0u);
    EXPECT_EQ(m.entry(1).length, 0u);
}

TEST(PtmLoader, OffsetsAndCountsBeyondTheFile)
{
    // The "at 0" sample's own data is still written; only its offset is 0.
    PtmSong song;
    song.samples = {{"far", noise(100, 3)}, {"at 0", noise(100, 4)}, {"ok", noise(100, 5)}};
    song.samples[0].dataOffset = 0x7FFFFFF0;
    song.samples[1].dataOffset = 0;
    Bytes file = write_ptm(song);
    LoadedFile m(file);
    ASSERT_TRUE(m.h);
    EXPECT_EQ(m.entry(0).length, 0u);
    EXPECT_EQ(m.entry(1).length, 0u);
    EXPECT_EQ(m.entry(2).length, 100u);
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 1), 1u);
    // A count far beyond the headers the file holds.
    poke_le16(file, 34, 0xFFFF);
    LoadedFile big(file);
    ASSERT_TRUE(big.h);
    EXPECT_LE(big.count(), (file.size() - 608) / 80);
}
