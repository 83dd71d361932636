// The DBM loader, through the library's exported interface.
#include "loaded_module.h"
#include "minor_writers.h"

#include <gtest/gtest.h>

TEST(DbmLoader, InstrumentsAndSamplesMergeInEitherChunkOrder)
{
    // 16-bit: length, byte length and loop count bytes; the data is big-endian.
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
        EXPECT_EQ(m.table(), lines({"524288 2/2 A DBM module name of exactly forty-four chrs",
                                    "0 : 600 e0 600 L1:100-300 S4:0-0 8363 1x8",
                                    "1 : 2000 e7 2000 L2:20-620 S4:0-0 22050 1x16"}))
            << order[0];
        EXPECT_EQ(m.pcm(0), wav8(narrow));
        EXPECT_EQ(m.pcm(1), wide);
    }
}

TEST(DbmLoader, SampleRecordsAndTheInstrumentsThatNameThem)
{
    // A 16-bit record of 1000 frames takes 8 + 2000 bytes; a record of an unknown kind
    // is listed with its bytes as they are and is no sample. Instruments that name no
    // usable sample are passed over; a sample no instrument names has no loop and the
    // lowest rate and no sustain kind; a loop of
    // length 0 is none.
    DbmSong song;
    Bytes odd = noise(300, 2);
    song.instruments = {
        {"", 0, 1111}, {"", 5, 2222}, {"", 0xFFFF, 3333}, {"", 4, 4444, 5, 0, 1}, {"", 1, 5555}};
    song.samples = {
        {2, dbm_big_endian(sine16(1000, 10))}, {4, odd}, {1, ramp8(99, 4)}, {1, ramp8(10)}};
    LoadedFile m(write_dbm(song));
    EXPECT_EQ(m.table(),
              lines({"524288 4/3 ", "0 : 2000 e7 2000 L0:0-0 S4:0-0 5555 1x16",
                     "1 : 300 e255 300 L0:0-0 S0:0-0 1 2x16", "2 : 99 e0 99 L0:0-0 S0:0-0 1 1x8",
                     "3 : 10 e0 10 L0:0-0 S4:0-0 4444 1x8"}));
    EXPECT_EQ(m.stored(1), odd);
    EXPECT_EQ(m.stored(2), ramp8(99, 4));
    EXPECT_EQ(m.entry(2).data - m.entry(0).data, 2008u + 308u);
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
