// The S3M loader, through the library's exported interface.
#include "loaded_module.h"
#include "s3m_writer.h"

#include <gtest/gtest.h>
#include <string.h>

static S3mInstrument sample(const std::string &name, Bytes data, uint8_t flags = 0,
                            uint32_t loopStart = 0, uint32_t loopEnd = 0)
{
    S3mInstrument ins;
    ins.name = name;
    ins.data = std::move(data);
    ins.flags = flags;
    ins.loopStart = loopStart;
    ins.loopEnd = loopEnd;
    return ins;
}

static S3mInstrument empty_slot(S3mInstrument::Kind kind = S3mInstrument::Empty)
{
    S3mInstrument ins;
    ins.kind = kind;
    ins.name = "not a sample";
    return ins;
}

TEST(S3mLoader, OnlyDigitisedInstrumentsTakeSlotsInOrder)
{
    S3mSong song;
    song.title = "A title of more than 28 characters";
    for (const char *n : {"one", "two", "three"})
        song.instruments.push_back(sample(n, ramp8(64)));
    song.instruments.push_back(empty_slot());
    song.instruments.push_back(sample("four", ramp8(64)));
    song.instruments.push_back(empty_slot(S3mInstrument::Adlib));
    song.instruments.push_back(sample("five", ramp8(64)));
    LoadedFile m(write_s3m(song));
    ASSERT_TRUE(m.h);
    EXPECT_EQ(GetModType(m.h), (uint32_t)VIRN_TYPE_S3M);
    EXPECT_STREQ(VIRN_GetSongName(m.h), "A title of more than 28 char");
    ASSERT_EQ(m.count(), 5u);
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 1), 5u);
    const char *names[] = {"one", "two", "three", "four", "five"};
    for (unsigned i = 0; i < 5; i++) {
        EXPECT_STREQ(m.entry(i).name, names[i]);
        EXPECT_EQ(m.entry(i).sustainType, VIRN_LOOP_NOT_IN_FORMAT);
        EXPECT_EQ(m.entry(i).rate, 8363u);
    }
}

TEST(S3mLoader, ParapointersFollowTheOrderList)
{
    // An odd list whose first entry is 255 is padded by one byte; any other is not.
    struct {
        std::vector<uint8_t> orders;
        size_t listAt;
    } cases[] = {
        {std::vector<uint8_t>(11, 0), 107},
        {{255, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 108},
        {{0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 107},
        {{255, 0}, 98},
        {{}, 96},
    };
    for (auto &c : cases) {
        S3mSong song;
        song.orders = c.orders;
        song.instruments = {sample("x", ramp8(40)), sample("y", ramp8(50))};
        Bytes file = write_s3m(song);
        // The writer's list is where the loader must look for it.
        uint32_t firstHeader = 16u * (file[c.listAt] | file[c.listAt + 1] << 8);
        ASSERT_EQ(memcmp(&file[firstHeader + 76], "SCRS", 4), 0) << c.orders.size();
        LoadedFile m(file);
        ASSERT_TRUE(m.h);
        ASSERT_EQ(m.count(), 2u);
        EXPECT_STREQ(m.entry(1).name, "y");
        EXPECT_EQ(m.stored(1), ramp8(50));
    }
}

TEST(S3mLoader, EncodingFromTheSampleFormatWordAndFlags)
{
    struct {
        uint8_t flags;
        uint16_t format;
        uint8_t encoding, channels, bits;
    } cases[] = {
        {0, 1, 0, 1, 8},  {0, 2, 1, 1, 8},   {1, 1, 0, 1, 8},   {4, 1, 4, 1, 16},
        {4, 2, 5, 1, 16}, {5, 1, 4, 1, 16},  {5, 2, 5, 1, 16},  {2, 1, 8, 2, 8},
        {3, 2, 9, 2, 8},  {6, 1, 12, 2, 16}, {7, 2, 13, 2, 16}, {0, 0, 1, 1, 8},
    };
    for (auto &c : cases) {
        S3mSong song;
        song.sampleFormat = c.format;
        song.instruments = {sample("s", noise(400, 2), c.flags, 0, 80)};
        LoadedFile m(write_s3m(song));
        ASSERT_TRUE(m.h);
        SCOPED_TRACE(testing::Message() << "flags " << (int)c.flags << " format " << c.format);
        const EntryView e = m.entry(0);
        EXPECT_EQ(e.encoding, c.encoding);
        EXPECT_EQ(e.channels, c.channels);
        EXPECT_EQ(e.bits, c.bits);
        EXPECT_EQ(e.info.byteLength, 400u); // frames x channels x bytes: all of the data
        EXPECT_EQ(e.loopType, c.flags & 1);
    }
}

TEST(S3mLoader, LoopsAreCutToTheSample)
{
    struct {
        uint8_t flags;
        uint32_t frames, ls, le;
        uint32_t loopStart, loopEnd; // bytes, after scaling
        uint8_t loopType;
    } cases[] = {
        {5, 1000, 100, 900, 200, 1800, 1}, // 16-bit: byte offsets
        {1, 1000, 100, 900, 100, 900, 1},
        {1, 1000, 100, 3, 100, 0, 1}, // an end below 4 is dropped, the flag kept
        {1, 1000, 1000, 2000, 999, 1000, 1},
        {0, 1000, 5000, 10, 999, 10, 0}, // no flag: cut all the same
        {7, 100, 10, 90, 40, 360, 1},    // 16-bit stereo: 4 bytes a frame
        {1, 0, 10, 90, 0, 0, 1},         // an empty sample keeps 0 and 0
    };
    for (auto &c : cases) {
        S3mSong song;
        uint32_t frameBytes = ((c.flags & 4) ? 2 : 1) * ((c.flags & 2) ? 2 : 1);
        song.instruments = {sample("loop", noise(c.frames * frameBytes, 5), c.flags, c.ls, c.le)};
        LoadedFile m(write_s3m(song));
        ASSERT_TRUE(m.h);
        SCOPED_TRACE(testing::Message() << c.frames << " frames, loop " << c.ls << "-" << c.le);
        const EntryView e = m.entry(0);
        EXPECT_EQ(e.length, c.frames);
        EXPECT_EQ(e.info.byteLength, c.frames * frameBytes);
        EXPECT_EQ(e.info.loopStart, c.loopStart);
        EXPECT_EQ(e.info.loopEnd, c.loopEnd);
        EXPECT_EQ(e.loopType, c.loopType);
    }
}

TEST(S3mLoader, PcmOfEveryLayout)
{
    Bytes left8 = ramp8(300, 0, 1), right8 = ramp8(300, 7, 3);
    Bytes left16 = sine16(300, 33), right16 = sine16(300, 71);

    S3mSong signedSong;
    signedSong.sampleFormat = 1;
    signedSong.instruments = {sample("8", left8), sample("16", left16, 4),
                              sample("8 stereo", split_channels(left8, right8), 2),
                              sample("16 stereo", split_channels(left16, right16), 6)};
    LoadedFile s(write_s3m(signedSong));
    ASSERT_TRUE(s.h);
    EXPECT_EQ(s.pcm(0), wav8(left8));
    EXPECT_EQ(s.pcm(1), left16);
    EXPECT_EQ(s.pcm(2), wav8(interleave(left8, right8, 1)));
    EXPECT_EQ(s.pcm(3), interleave(left16, right16, 2));

    // Unsigned data: 8-bit values are as WAV wants them, 16-bit ones lose their bias.
    S3mSong unsignedSong;
    unsignedSong.sampleFormat = 2;
    Bytes biased16(left16);
    for (size_t i = 1; i < biased16.size(); i += 2)
        biased16[i] ^= 0x80;
    unsignedSong.instruments = {sample("8", left8), sample("16", biased16, 4)};
    LoadedFile u(write_s3m(unsignedSong));
    ASSERT_TRUE(u.h);
    EXPECT_EQ(u.pcm(0), left8);
    EXPECT_EQ(u.pcm(1), left16);
}

TEST(S3mLoader, SampleDataPastOneMegabyteUsesTheWideParapointer)
{
    S3mSong song;
    song.gapBeforeData = 1100 * 1024;
    Bytes data = noise(500, 12);
    song.instruments = {sample("far", data)};
    Bytes file = write_s3m(song);
    LoadedFile m(file);
    ASSERT_TRUE(m.h);
    EXPECT_EQ(m.stored(0), data);
}

TEST(S3mLoader, TruncatedDataIsClipped)
{
    S3mSong song;
    song.sampleFormat = 1;
    Bytes left = noise(1024, 1), right = noise(1024, 2);
    song.instruments = {sample("mono", noise(1024, 3), 0, 0, 1024),
                        sample("stereo", split_channels(left, right), 2)};
    Bytes file = write_s3m(song);
    size_t stereoStart = file.size() - 2048;
    size_t monoStart = stereoStart - 1024;

    // Cut inside the right block: the length stays, the right channel's tail is silent
    // and its head still comes from the right block.
    Bytes cut(file.begin(), file.end() - 300);
    LoadedFile a(cut);
    ASSERT_TRUE(a.h);
    EXPECT_EQ(a.entry(1).length, 1024u);
    Bytes pcm = a.pcm(1);
    EXPECT_EQ(pcm[1], (uint8_t)(right[0] ^ 0x80));
    EXPECT_EQ(pcm[2 * 723 + 1], (uint8_t)(right[723] ^ 0x80));
    EXPECT_EQ(pcm[2 * 724 + 1], 0x80);
    EXPECT_EQ(pcm[2 * 1023], (uint8_t)(left[1023] ^ 0x80));

    // Cut inside the left block: frames up to the cut.
    Bytes cutLeft(file.begin(), file.begin() + (long)stereoStart + 600);
    LoadedFile b(cutLeft);
    ASSERT_TRUE(b.h);
    EXPECT_EQ(b.entry(1).length, 600u);
    EXPECT_EQ(b.entry(1).info.byteLength, 1200u);

    // The mono sample cut short has its loop cut with it; with no data at all the
    // stereo one is an empty slot.
    Bytes cutMono(file.begin(), file.begin() + (long)monoStart + 400);
    LoadedFile c(cutMono);
    ASSERT_TRUE(c.h);
    EXPECT_EQ(c.entry(0).length, 400u);
    EXPECT_EQ(c.entry(0).info.loopEnd, 400u);
    EXPECT_EQ(c.entry(1).length, 0u);
    EXPECT_EQ(VIRN_GetNumberOfSamples(c.h, 1), 1u);
}

TEST(S3mLoader, AbsurdInstrumentCountsStopAtTheFile)
{
    S3mSong song;
    song.instruments = {sample("a", ramp8(100)), sample("b", ramp8(100))};
    Bytes file = write_s3m(song);
    poke_le16(file, 34, 0xFFFF);
    LoadedFile m(file);
    ASSERT_TRUE(m.h);
    // Parapointers past the two real ones read the file's own bytes; whatever they
    // hit must not be taken for sample headers beyond the file.
    EXPECT_GE(m.count(), 2u);
    EXPECT_LE(m.count(), (file.size() - 98) / 2);
    EXPECT_STREQ(m.entry(0).name, "a");
}

TEST(S3mLoader, ModuleWithoutDigitisedSamplesIsRefused)
{
    S3mSong song;
    song.instruments = {empty_slot(), empty_slot(S3mInstrument::Adlib)};
    Bytes file = write_s3m(song);
    EXPECT_EQ(VIRN_LoadModule(file.data(), (uint32_t)file.size()), 0u);
    // ... and a file too short for the mark is no S3M.
    Bytes shortFile(file.begin(), file.begin() + 47);
    EXPECT_EQ(VIRN_LoadModule(shortFile.data(), (uint32_t)shortFile.size()), 0u);
}
