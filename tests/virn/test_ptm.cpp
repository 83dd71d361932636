// The PTM loader, through the library's exported interface.
#include "loaded_module.h"
#include "ptm_writer.h"

#include <gtest/gtest.h>

static PtmSample digitised(const std::string &name, const Bytes &values, uint8_t type = 1,
                           uint32_t loopStart = 0, uint32_t loopEnd = 0)
{
    PtmSample s;
    s.name = name;
    s.type = type;
    s.data = ptm_deltas(values);
    s.loopStart = loopStart;
    s.loopEnd = loopEnd;
    return s;
}

TEST(PtmLoader, ByteDeltasOfBothWidthsDecode)
{
    PtmSong song;
    song.name = "A PTM song name of 28 chars and more";
    Bytes narrow = noise(1000, 1), wide = sine16(2000, 90);
    song.samples = {digitised("narrow", narrow), digitised("wide", wide, 1 | 16)};
    LoadedFile m(write_ptm(song));
    ASSERT_TRUE(m.h);
    EXPECT_EQ(GetModType(m.h), (uint32_t)VIRN_TYPE_PTM);
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
    EXPECT_STREQ(e.name, "wide");
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
        PtmSample s = digitised("a sample name of 28 letters!", noise(1000, 2), c.type, c.ls, c.le);
        s.c4speed = 8363;
        song.samples = {s};
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
    PtmSample none;
    none.name = "no sample";
    none.type = 0;
    none.c4speed = 4000;
    PtmSample zero = digitised("zero length", Bytes());
    song.samples = {none, zero, digitised("real", ramp8(64))};
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
    PtmSong song;
    PtmSample far = digitised("far", noise(100, 3));
    far.dataOffset = 0x7FFFFFF0;
    PtmSample header = digitised("at 0", noise(100, 4));
    header.dataOffset = 0;
    song.samples = {far, header, digitised("ok", noise(100, 5))};
    Bytes file = write_ptm(song);
    // The "at 0" sample's own data is still written; only its offset is 0.
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
