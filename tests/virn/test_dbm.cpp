// The DBM loader, through the library's exported interface.
#include "dbm_writer.h"
#include "loaded_module.h"

#include <gtest/gtest.h>

static DbmInstrument instrument(uint16_t sampleNumber, uint32_t rate, uint32_t loopStart = 0,
                                uint32_t loopLength = 0, uint16_t flags = 0)
{
    DbmInstrument ins;
    ins.name = "instrument";
    ins.sample = sampleNumber;
    ins.rate = rate;
    ins.loopStart = loopStart;
    ins.loopLength = loopLength;
    ins.flags = flags;
    return ins;
}

static DbmSample sample(uint32_t flags, Bytes data)
{
    DbmSample s;
    s.flags = flags;
    s.data = std::move(data);
    return s;
}

// The same module with its chunks in each order: "INST" before and after "SMPL" must
// give the same catalog.
static const std::vector<std::string> ChunkOrders[] = {
    {"INST", "PATT", "SMPL"}, {"SMPL", "PATT", "INST"}, {"PATT", "SMPL", "VENV", "INST"}};

TEST(DbmLoader, InstrumentsAndSamplesMergeInEitherOrder)
{
    Bytes narrow = noise(600, 1), wide = sine16(1000, 80);
    for (const auto &order : ChunkOrders) {
        DbmSong song;
        song.name = "A DBM module name of exactly forty-four chrs";
        song.instruments = {instrument(2, 22050, 10, 300, 2), instrument(1, 8363, 100, 200, 1)};
        song.samples = {sample(1, narrow), sample(2, dbm_big_endian(wide))};
        song.chunks = order;
        LoadedFile m(write_dbm(song));
        ASSERT_TRUE(m.h);
        SCOPED_TRACE(order[0]);
        EXPECT_EQ(GetModType(m.h), (uint32_t)VIRN_TYPE_DBM);
        EXPECT_STREQ(VIRN_GetSongName(m.h), "A DBM module name of exactly forty-four chrs");
        ASSERT_EQ(m.count(), 2u);

        EntryView e = m.entry(0);
        EXPECT_EQ(e.length, 600u);
        EXPECT_EQ(e.encoding, 0);
        EXPECT_EQ(e.rate, 8363u);
        EXPECT_EQ(e.info.loopStart, 100u);
        EXPECT_EQ(e.info.loopEnd, 300u);
        EXPECT_EQ(e.loopType, 1);
        EXPECT_EQ(e.sustainType, VIRN_LOOP_NOT_IN_FORMAT);
        EXPECT_EQ(m.pcm(0), wav8(narrow));

        // 16-bit: length, byte length and loop count bytes; the data is big-endian.
        e = m.entry(1);
        EXPECT_EQ(e.length, 2000u);
        EXPECT_EQ(e.info.byteLength, 2000u);
        EXPECT_EQ(e.encoding, 7);
        EXPECT_EQ(e.bits, 16);
        EXPECT_EQ(e.channels, 1);
        EXPECT_EQ(e.rate, 22050u);
        EXPECT_EQ(e.info.loopStart, 20u);
        EXPECT_EQ(e.info.loopEnd, 620u);
        EXPECT_EQ(e.loopType, 2);
        EXPECT_EQ(m.pcm(1), wide);
        EXPECT_EQ(m.stored(1), dbm_big_endian(wide));
    }
}

TEST(DbmLoader, SampleRecordsFollowEachOther)
{
    // A 16-bit record of 1000 frames takes 8 + 2000 bytes; a record of an unknown kind
    // is listed with its bytes as they are and is no sample.
    DbmSong song;
    Bytes wide = sine16(1000, 10), odd = noise(300, 2), last = ramp8(99, 4);
    song.samples = {sample(2, dbm_big_endian(wide)), sample(4, odd), sample(1, last)};
    LoadedFile m(write_dbm(song));
    ASSERT_TRUE(m.h);
    ASSERT_EQ(m.count(), 3u);
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 1), 2u);
    EXPECT_EQ(m.entry(1).encoding, 255);
    EXPECT_EQ(m.entry(1).length, 300u);
    EXPECT_EQ(m.entry(1).info.byteLength, 300u);
    EXPECT_EQ(m.stored(1), odd);
    EXPECT_EQ(m.stored(2), last);
    EXPECT_EQ(m.entry(2).data - m.entry(0).data, 2008u + 308u);
    // A sample no instrument names has no loop, and no rate: the lowest one.
    EXPECT_EQ(m.entry(2).rate, VIRN_MIN_RATE);
    EXPECT_EQ(m.entry(2).loopType, 0);
}

TEST(DbmLoader, InstrumentsThatNameNoUsableSample)
{
    DbmSong song;
    song.instruments = {instrument(0, 1111), instrument(3, 2222), instrument(0xFFFF, 3333),
                        instrument(1, 4444, 5, 0, 1)}; // a loop of length 0 is none
    song.samples = {sample(1, noise(100, 5)), sample(1, noise(100, 6))};
    LoadedFile m(write_dbm(song));
    ASSERT_TRUE(m.h);
    ASSERT_EQ(m.count(), 2u);
    EXPECT_EQ(m.entry(0).rate, 4444u);
    EXPECT_EQ(m.entry(0).loopType, 0);
    EXPECT_EQ(m.entry(0).info.loopEnd, 0u);
    EXPECT_EQ(m.entry(1).rate, VIRN_MIN_RATE);
}

TEST(DbmLoader, SignatureFields)
{
    DbmSong song;
    song.samples = {sample(1, noise(64, 7))};
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
    // Instruments without any sample data: nothing is stored as a module type.
    DbmSong onlyInstruments;
    onlyInstruments.instruments = {instrument(1, 8363)};
    onlyInstruments.chunks = {"INST"};
    Bytes file = write_dbm(onlyInstruments);
    EXPECT_EQ(VIRN_LoadModule(file.data(), (uint32_t)file.size()), 0u);
}

TEST(DbmLoader, DamagedCountsAndLengths)
{
    DbmSong song;
    song.instruments = {instrument(1, 8363, 0, 100, 1)};
    song.samples = {sample(1, noise(300, 8)), sample(2, dbm_big_endian(sine16(200, 9)))};
    song.chunks = {"INST", "SMPL"};
    Bytes file = write_dbm(song);
    Bytes cut(file.begin(), file.end() - 100);
    LoadedFile c(cut);
    ASSERT_TRUE(c.h);
    EXPECT_EQ(c.entry(1).length, 300u); // whole values of what is left
    EXPECT_EQ(c.entry(1).info.byteLength, 300u);

    // An absurd sample count: every record past the file is an empty slot.
    Bytes many = file;
    many[70] = 0xFF;
    many[71] = 0xFF;
    LoadedFile m(many);
    ASSERT_TRUE(m.h);
    EXPECT_EQ(m.count(), 4000u);
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 1), 2u);
}
