// The DBM loader, through the library's exported interface.
#include "dbm_writer.h"
#include "loaded_module.h"

#include <gtest/gtest.h>

TEST(DbmLoader, InstrumentsAndSamplesMergeInEitherChunkOrder)
{
    Bytes narrow = noise(600, 1), wide = sine16(1000, 80);
    const std::vector<std::string> orders[] = {
        {"INST", "PATT", "SMPL"}, {"SMPL", "PATT", "INST"}, {"PATT", "SMPL", "VENV", "INST"}};
    for (const auto &order : orders) {
        DbmSong song;
        song.name = "A DBM module name of exactly forty-four chrs";
        song.instruments = {{"b", 2, 22050, 10, 300, 2}, {"a", 1, 8363, 100, 200, 1}};
        song.samples = {{1, narrow}, {2, dbm_big_endian(wide)}};
        song.chunks = order;
        LoadedFile m(write_dbm(song));
        SCOPED_TRACE(order[0]);
        EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_DBM);
        EXPECT_EQ(m.song(), "A DBM module name of exactly forty-four chrs");
        ASSERT_EQ(m.count(), 2u);
        EXPECT_TRUE(entry_is(m.entry(0),
                             "length 600, encoding 0, rate 8363, loop 1:100-300, sustain 4:0-0"));
        EXPECT_EQ(m.pcm(0), wav8(narrow));
        // 16-bit: length, byte length and loop count bytes; the data is big-endian.
        EXPECT_TRUE(entry_is(
            m.entry(1), "length 2000, bytes 2000, encoding 7, bits 16, rate 22050, loop 2:20-620"));
        EXPECT_EQ(m.pcm(1), wide);
    }
}

TEST(DbmLoader, SampleRecordsFollowEachOther)
{
    // A 16-bit record of 1000 frames takes 8 + 2000 bytes; a record of an unknown kind
    // is listed with its bytes as they are and is no sample.
    DbmSong song;
    Bytes odd = noise(300, 2);
    song.samples = {{2, dbm_big_endian(sine16(1000, 10))}, {4, odd}, {1, ramp8(99, 4)}};
    LoadedFile m(write_dbm(song));
    ASSERT_EQ(m.count(), 3u);
    EXPECT_EQ(m.samples(), 2u);
    EXPECT_TRUE(entry_is(m.entry(1), "encoding 255, bytes 300"));
    EXPECT_EQ(m.stored(1), odd);
    EXPECT_EQ(m.stored(2), ramp8(99, 4));
    EXPECT_EQ(m.entry(2).data - m.entry(0).data, 2008u + 308u);
    // A sample no instrument names has no loop, and no rate: the lowest one.
    EXPECT_TRUE(entry_is(m.entry(2), "rate 1, loop 0:0-0"));
}

TEST(DbmLoader, InstrumentsThatNameNoUsableSample)
{
    DbmSong song;
    song.instruments = {{"", 0, 1111},
                        {"", 3, 2222},
                        {"", 0xFFFF, 3333},
                        {"", 1, 4444, 5, 0, 1}}; // a loop of length 0 is none
    song.samples = {{1, noise(100, 5)}, {1, noise(100, 6)}};
    LoadedFile m(write_dbm(song));
    ASSERT_EQ(m.count(), 2u);
    EXPECT_TRUE(entry_is(m.entry(0), "rate 4444, loop 0:0-0"));
    EXPECT_TRUE(entry_is(m.entry(1), "rate " + std::to_string(VIRN_MIN_RATE)));
}

TEST(DbmLoader, SignatureFields)
{
    DbmSong song;
    song.samples = {{1, noise(64, 7)}};
    Bytes good = write_dbm(song);
    struct {
        size_t at;
        uint8_t value;
    } breaks[] = {{0, 'X'}, {8, 'X'}, {15, 45}, {60, 'X'}, {67, 11}, {78, 'X'}, {73, 0}, {77, 0}};
    for (auto &b : breaks) {
        Bytes file = good;
        file[b.at] = b.value;
        EXPECT_EQ(VIRN_LoadModule(file.data(), (uint32_t)file.size()), 0u) << b.at;
    }
}

TEST(DbmLoader, DamagedCountsAndLengths)
{
    DbmSong song;
    song.instruments = {{"", 1, 8363, 0, 100, 1}};
    song.samples = {{1, noise(300, 8)}, {2, dbm_big_endian(sine16(200, 9))}};
    song.chunks = {"INST", "SMPL"};
    Bytes file = write_dbm(song);
    LoadedFile c(Bytes(file.begin(), file.end() - 100));
    EXPECT_TRUE(entry_is(c.entry(1), "length 300")); // whole values of what is left
    EXPECT_TRUE(entry_is(c.entry(1), "bytes 300"));
    // An absurd sample count: every record past the file is an empty slot.
    file[70] = 0xFF;
    file[71] = 0xFF;
    LoadedFile m(file);
    EXPECT_EQ(m.count(), 4000u);
    EXPECT_EQ(m.samples(), 2u);
}
