// The S3M loader, through the library's exported interface.
#include "loaded_module.h"
#include "s3m_writer.h"

#include <gtest/gtest.h>
#include <string.h>

static Bytes s3m_of(std::vector<S3mInstrument> instruments, uint16_t sampleFormat = 2)
{
    S3mSong song;
    song.sampleFormat = sampleFormat;
    song.instruments = std::move(instruments);
    return write_s3m(song);
}

TEST(S3mLoader, OnlyDigitisedInstrumentsTakeSlotsInOrder)
{
    S3mSong song;
    song.title = "A title of more than 28 characters";
    song.instruments = {{"one", ramp8(64)},   {"two", ramp8(64)},
                        {"three", ramp8(64)}, {"not a sample", {}, 0, 0, 0, S3mInstrument::Empty},
                        {"four", ramp8(64)},  {"not a sample", {}, 0, 0, 0, S3mInstrument::Adlib},
                        {"five", ramp8(64)}};
    LoadedFile m(write_s3m(song));
    ASSERT_TRUE(m.h);
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_S3M);
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
        song.instruments = {{"x", ramp8(40)}, {"y", ramp8(50)}};
        Bytes file = write_s3m(song);
        // The writer's list is where the loader must look for it.
        uint32_t firstHeader = 16u * (file[c.listAt] | file[c.listAt + 1] << 8);
        ASSERT_EQ(memcmp(&file[firstHeader + 76], "SCRS", 4), 0) << c.orders.size();
        LoadedFile m(file);
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
        LoadedFile m(s3m_of({{"s", noise(400, 2), c.flags, 0, 80}}, c.format));
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
        uint32_t frameBytes = ((c.flags & 4) ? 2 : 1) * ((c.flags & 2) ? 2 : 1);
        LoadedFile m(s3m_of({{"loop", noise(c.frames * frameBytes, 5), c.flags, c.ls, c.le}}));
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
    LoadedFile s(s3m_of({{"8", left8},
                         {"16", left16, 4},
                         {"8 stereo", split_channels(left8, right8), 2},
                         {"16 stereo", split_channels(left16, right16), 6}},
                        1));
    EXPECT_EQ(s.pcm(0), wav8(left8));
    EXPECT_EQ(s.pcm(1), left16);
    EXPECT_EQ(s.pcm(2), wav8(interleave(left8, right8, 1)));
    EXPECT_EQ(s.pcm(3), interleave(left16, right16, 2));
    // Unsigned data: 8-bit values are as WAV wants them, 16-bit ones lose their bias.
    Bytes biased16(left16);
    for (size_t i = 1; i < biased16.size(); i += 2)
        biased16[i] ^= 0x80;
    LoadedFile u(s3m_of({{"8", left8}, {"16", biased16, 4}}, 2));
    EXPECT_EQ(u.pcm(0), left8);
    EXPECT_EQ(u.pcm(1), left16);
}

TEST(S3mLoader, SampleDataPastOneMegabyteUsesTheWideParapointer)
{
    S3mSong song;
    song.gapBeforeData = 1100 * 1024;
    song.instruments = {{"far", noise(500, 12)}};
    EXPECT_EQ(LoadedFile(write_s3m(song)).stored(0), noise(500, 12));
}

TEST(S3mLoader, TruncatedDataIsClipped)
{
    Bytes left = noise(1024, 1), right = noise(1024, 2);
    Bytes file = s3m_of(
        {{"mono", noise(1024, 3), 0, 0, 1024}, {"stereo", split_channels(left, right), 2}}, 1);
    size_t stereoStart = file.size() - 2048;
    size_t monoStart = stereoStart - 1024;

    // Cut inside the right block: the length stays, the right channel's tail is silent
    // and its head still comes from the right block.
    LoadedFile a(Bytes(file.begin(), file.end() - 300));
    EXPECT_EQ(a.entry(1).length, 1024u);
    Bytes pcm = a.pcm(1);
    ASSERT_EQ(pcm.size(), 2048u);
    EXPECT_EQ(pcm[1], (uint8_t)(right[0] ^ 0x80));
    EXPECT_EQ(pcm[2 * 723 + 1], (uint8_t)(right[723] ^ 0x80));
    EXPECT_EQ(pcm[2 * 724 + 1], 0x80);
    EXPECT_EQ(pcm[2 * 1023], (uint8_t)(left[1023] ^ 0x80));

    // Cut inside the left block: frames up to the cut.
    LoadedFile b(Bytes(file.begin(), file.begin() + (long)stereoStart + 600));
    EXPECT_EQ(b.entry(1).length, 600u);
    EXPECT_EQ(b.entry(1).info.byteLength, 1200u);

    // The mono sample cut short has its loop cut with it; with no data at all the
    // stereo one is an empty slot.
    LoadedFile c(Bytes(file.begin(), file.begin() + (long)monoStart + 400));
    ASSERT_TRUE(c.h);
    EXPECT_EQ(c.entry(0).length, 400u);
    EXPECT_EQ(c.entry(0).info.loopEnd, 400u);
    EXPECT_EQ(c.entry(1).length, 0u);
    EXPECT_EQ(VIRN_GetNumberOfSamples(c.h, 1), 1u);
}

TEST(S3mLoader, AbsurdInstrumentCountsStopAtTheFile)
{
    Bytes file = s3m_of({{"a", ramp8(100)}, {"b", ramp8(100)}});
    poke_le16(file, 34, 0xFFFF);
    LoadedFile m(file);
    // Parapointers past the two real ones read the file's own bytes; whatever they
    // hit must not be taken for sample headers beyond the file.
    EXPECT_GE(m.count(), 2u);
    EXPECT_LE(m.count(), (file.size() - 98) / 2);
    EXPECT_STREQ(m.entry(0).name, "a");
}
