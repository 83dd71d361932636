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
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_PTM);
    EXPECT_EQ(m.song(), "A PTM song name of 28 chars ");
    EXPECT_TRUE(entry_is(m.entry(0), "encoding 2, length 1000"));
    EXPECT_EQ(m.pcm(0), wav8(narrow));
    // 4000 stored bytes: 2000 frames of 16 bits.
    EXPECT_TRUE(entry_is(m.entry(1), "encoding 37, length 2000, bits 16, bytes 4000"));
    EXPECT_EQ(m.pcm(1), wide);
}

TEST(PtmLoader, KindsRatesLoopsAndNames)
{
    struct {
        uint8_t type;
        uint32_t ls, le;
        const char *entry; // twice the C4 speed; bytes after finishing
    } cases[] = {
        {1, 100, 900, "bytes 1000, loop 0:100-900"},
        {1 | 4, 100, 900, "bytes 1000, loop 1:100-900"},
        {0x0D, 100, 900, "bytes 1000, loop 2:100-900"}, // digitised, loop and ping-pong bits
        {1 | 8, 100, 900, "bytes 1000, loop 2:100-900"},
        {1 | 4 | 16, 100, 901, "bytes 1000, loop 1:100-900"}, // bytes to frames and back
        {1, 10, 65537, "bytes 1000, loop 0:10-65537"},        // all 32 bits of a loop field
        {1 | 4, 10, 65537, "bytes 1000, loop 1:10-1000"},     // a loop is cut to the sample
        {0, 100, 900, "bytes 0, loop 0:0-0"},                 // empty slot
        {2, 100, 900, "bytes 0, loop 0:0-0"},                 // not a digitised sample
    };
    for (auto &c : cases) {
        PtmSong song;
        song.samples = {
            {"a sample name of 28 letters!", ptm_deltas(noise(1000, 2)), c.type, c.ls, c.le}};
        LoadedFile m(write_ptm(song));
        SCOPED_TRACE(testing::Message() << "type " << (int)c.type);
        // Every slot carries the module type, so a module of empty slots still loads.
        EXPECT_TRUE(entry_is(m.entry(0), std::string(c.entry) + ", rate 16726, sustain 4:0-0"));
        EXPECT_STREQ(m.entry(0).name, "a sample name of 28 letters!");
    }
}

TEST(PtmLoader, EmptySlotsKeepRateAndNameAndDoNotCount)
{
    PtmSong song;
    song.samples = {{"no sample", {}, 0, 0, 0, 4000},
                    {"zero length", Bytes()},
                    {"real", ptm_deltas(ramp8(64))}};
    LoadedFile m(write_ptm(song));
    ASSERT_EQ(m.count(), 3u);
    EXPECT_EQ(m.samples(), 1u);
    EXPECT_TRUE(entry_is(m.entry(0), "rate 8000"));
    EXPECT_STREQ(m.entry(0).name, "no sample");
    EXPECT_TRUE(entry_is(m.entry(0), "length 0"));
    EXPECT_TRUE(entry_is(m.entry(1), "length 0"));
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
    EXPECT_TRUE(entry_is(m.entry(0), "length 0"));
    EXPECT_TRUE(entry_is(m.entry(1), "length 0"));
    EXPECT_TRUE(entry_is(m.entry(2), "length 100"));
    EXPECT_EQ(m.samples(), 1u);
    // A count far beyond the headers the file holds.
    poke_le16(file, 34, 0xFFFF);
    LoadedFile big(file);
    EXPECT_LE(big.count(), (file.size() - 608) / 80);
}
