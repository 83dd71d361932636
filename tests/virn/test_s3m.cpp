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
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_S3M);
    EXPECT_EQ(m.song(), "A title of more than 28 char");
    ASSERT_EQ(m.count(), 5u);
    EXPECT_EQ(m.samples(), 5u);
    const char *names[] = {"one", "two", "three", "four", "five"};
    for (unsigned i = 0; i < 5; i++) {
        EXPECT_STREQ(m.entry(i).name, names[i]);
        EXPECT_TRUE(entry_is(m.entry(i), "sustain 4:0-0, rate 8363"));
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
    // The byte length is frames x channels x bytes: all of the data.
    struct {
        uint8_t flags;
        uint16_t format;
        const char *entry;
    } cases[] = {
        {0, 1, "encoding 0, channels 1, bits 8, loop 0:0-80"},
        {0, 2, "encoding 1, channels 1, bits 8, loop 0:0-80"},
        {1, 1, "encoding 0, channels 1, bits 8, loop 1:0-80"},
        {4, 1, "encoding 4, channels 1, bits 16, loop 0:0-160"},
        {4, 2, "encoding 5, channels 1, bits 16, loop 0:0-160"},
        {5, 1, "encoding 4, channels 1, bits 16, loop 1:0-160"},
        {5, 2, "encoding 5, channels 1, bits 16, loop 1:0-160"},
        {2, 1, "encoding 8, channels 2, bits 8, loop 0:0-160"},
        {3, 2, "encoding 9, channels 2, bits 8, loop 1:0-160"},
        {6, 1, "encoding 12, channels 2, bits 16, loop 0:0-320"},
        {7, 2, "encoding 13, channels 2, bits 16, loop 1:0-320"},
        {0, 0, "encoding 1, channels 1, bits 8, loop 0:0-80"},
    };
    for (auto &c : cases) {
        LoadedFile m(s3m_of({{"s", noise(400, 2), c.flags, 0, 80}}, c.format));
        EXPECT_TRUE(entry_is(m.entry(0), std::string(c.entry) + ", bytes 400"))
            << "flags " << (int)c.flags << " format " << c.format;
    }
}

TEST(S3mLoader, LoopsAreCutToTheSample)
{
    struct {
        uint8_t flags;
        uint32_t frames, ls, le;
        const char *loop; // bytes, after scaling
    } cases[] = {
        {5, 1000, 100, 900, "loop 1:200-1800"}, // 16-bit: byte offsets
        {1, 1000, 100, 900, "loop 1:100-900"},
        {1, 1000, 100, 3, "loop 1:100-0"}, // an end below 4 is dropped, the flag kept
        {1, 1000, 1000, 2000, "loop 1:999-1000"},
        {0, 1000, 5000, 10, "loop 0:999-10"}, // no flag: cut all the same
        {7, 100, 10, 90, "loop 1:40-360"},    // 16-bit stereo: 4 bytes a frame
        {1, 0, 10, 90, "loop 1:0-0"},         // an empty sample keeps 0 and 0
    };
    for (auto &c : cases) {
        uint32_t frameBytes = ((c.flags & 4) ? 2 : 1) * ((c.flags & 2) ? 2 : 1);
        LoadedFile m(s3m_of({{"loop", noise(c.frames * frameBytes, 5), c.flags, c.ls, c.le}}));
        EXPECT_TRUE(entry_is(m.entry(0), "length " + std::to_string(c.frames) + ", bytes " +
                                             std::to_string(c.frames * frameBytes) + ", " + c.loop))
            << c.frames << " frames, loop " << c.ls << "-" << c.le;
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
    EXPECT_TRUE(entry_is(a.entry(1), "length 1024"));
    Bytes pcm = a.pcm(1);
    ASSERT_EQ(pcm.size(), 2048u);
    EXPECT_EQ(pcm[1], (uint8_t)(right[0] ^ 0x80));
    EXPECT_EQ(pcm[2 * 723 + 1], (uint8_t)(right[723] ^ 0x80));
    EXPECT_EQ(pcm[2 * 724 + 1], 0x80);
    EXPECT_EQ(pcm[2 * 1023], (uint8_t)(left[1023] ^ 0x80));

    // Cut inside the left block: frames up to the cut.
    LoadedFile b(Bytes(file.begin(), file.begin() + (long)stereoStart + 600));
    EXPECT_TRUE(entry_is(b.entry(1), "length 600, bytes 1200"));

    // The mono sample cut short has its loop cut with it; with no data at all the
    // stereo one is an empty slot.
    LoadedFile c(Bytes(file.begin(), file.begin() + (long)monoStart + 400));
    EXPECT_TRUE(entry_is(c.entry(0), "length 400, loop 0:0-400"));
    EXPECT_TRUE(entry_is(c.entry(1), "length 0"));
    EXPECT_EQ(c.samples(), 1u);
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
