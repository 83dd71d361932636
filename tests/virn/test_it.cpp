// The IT loader, through the library's exported interface.
#include "it_writer.h"
#include "loaded_module.h"

#include <gtest/gtest.h>

static Bytes it_of(std::vector<ItSample> samples, uint16_t cmwt = 0x214)
{
    ItSong song;
    song.cmwt = cmwt;
    song.samples = std::move(samples);
    return write_it(song);
}

TEST(ItLoader, EncodingFromFlagsConversionAndVersion)
{
    struct {
        uint8_t flags, cvt;
        uint16_t cmwt;
        uint8_t encoding;
    } cases[] = {
        {0x01, 0x01, 0x214, 0},
        {0x01, 0x00, 0x214, 1},
        {0x03, 0x01, 0x214, 4},
        {0x03, 0x00, 0x214, 5},
        {0x05, 0x01, 0x214, 8},
        {0x05, 0x00, 0x214, 9},
        {0x07, 0x01, 0x214, 12},
        {0x07, 0x00, 0x214, 13},
        // Compressed: the variant needs both the version and cvt bit 2; two channels
        // are not marked.
        {0x09, 0x05, 0x214, 16},
        {0x09, 0x05, 0x215, 18},
        {0x09, 0x01, 0x215, 16},
        {0x0B, 0x05, 0x214, 20},
        {0x0B, 0x05, 0x217, 22},
        {0x0D, 0x05, 0x215, 18},
        {0x0F, 0x00, 0x215, 20},
        // Plain data stored as deltas, big-endian 16-bit, and 4-bit ADPCM.
        {0x01, 0x05, 0x214, 2},
        {0x03, 0x05, 0x214, 6},
        {0x05, 0x05, 0x214, 10},
        {0x07, 0x05, 0x214, 14},
        {0x03, 0x03, 0x214, 7},
        {0x07, 0x03, 0x214, 12},
        {0x01, 0xFF, 0x214, 3},
    };
    for (auto &c : cases) {
        ItSample s = {"s", noise(4000, 3), c.flags, c.cvt, 500};
        LoadedFile m(it_of({s}, c.cmwt));
        SCOPED_TRACE(testing::Message() << std::hex << "flags " << (int)c.flags << " cvt "
                                        << (int)c.cvt << " cmwt " << c.cmwt);
        EXPECT_TRUE(entry_is(m.entry(0), "length 500, encoding " + std::to_string(c.encoding) +
                                             ", channels " + ((c.encoding & 8) ? "2" : "1") +
                                             ", bits " + ((c.encoding & 4) ? "16" : "8")));
    }
}

TEST(ItLoader, StereoSixteenBitByteOffsets)
{
    ItSample s = {"st", split_channels(sine16(1000, 50), sine16(1000, 70)), 0x17, 1, -1, 100, 900};
    s.sustainStart = 10;
    s.sustainEnd = 20;
    LoadedFile m(it_of({s}));
    EXPECT_TRUE(entry_is(m.entry(0),
                         "encoding 12, length 1000, bytes 4000, loop 1:400-3600, sustain 0:40-80"));
    EXPECT_EQ(m.pcm(0), interleave(sine16(1000, 50), sine16(1000, 70), 2));
}

TEST(ItLoader, LoopKindsAndValues)
{
    // The ping-pong bits only qualify a loop whose own bit is set: real files carry
    // them on unlooped samples.
    struct {
        uint8_t flags;
        const char *entry; // a loop that plays is cut to the sample's 100 bytes
    } cases[] = {
        {0x01, "loop 0:50-5000, sustain 0:7-3"}, {0x11, "loop 1:50-100, sustain 0:7-3"},
        {0x41, "loop 0:50-5000, sustain 0:7-3"}, {0x51, "loop 2:50-100, sustain 0:7-3"},
        {0x21, "loop 0:50-5000, sustain 1:7-3"}, {0x81, "loop 0:50-5000, sustain 0:7-3"},
        {0xA1, "loop 0:50-5000, sustain 2:7-3"}, {0xF1, "loop 2:50-100, sustain 2:7-3"},
        {0xC1, "loop 0:50-5000, sustain 0:7-3"},
    };
    for (auto &c : cases) {
        ItSample s = {"l", ramp8(100), c.flags, 1, -1, 50, 5000};
        s.sustainStart = 7;
        s.sustainEnd = 3;
        LoadedFile m(it_of({s}));
        EXPECT_TRUE(entry_is(m.entry(0), c.entry)) << "flags " << (int)c.flags;
    }
}

TEST(ItLoader, HugeLoopsAndRatesStayInsideTheLimits)
{
    // 16-bit stereo: a loop end of 0x50000000 frames would wrap to 0x40000000 bytes if
    // scaled in 32 bits; the rate field would make the WAV byte rate wrap.
    ItSample s = {"huge",      noise(400, 9), 0x01 | 0x02 | 0x04 | 0x10, 1, -1,
                  0x10000000u, 0x50000000u};
    s.c5speed = 0xFFFFFFF0u;
    LoadedFile m(it_of({s}));
    EXPECT_TRUE(entry_is(m.entry(0), "bytes 400, loop 1:400-400, rate 1073741823")); // the most
}

TEST(ItLoader, EverySampleHeaderInTableOrder)
{
    ItSong song;
    song.name = "Twenty-six characters, and more";
    song.orders = {0, 1, 2, 255, 255}; // odd count
    song.instruments = 3;
    song.samples = {{"first", ramp8(64), 1, 0}, {"empty", {}, 0}, {"third", ramp8(32, 200), 1, 0}};
    song.samples[0].c5speed = 22050;
    LoadedFile m(write_it(song));
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_IT);
    EXPECT_EQ(m.song(), "Twenty-six characters, and");
    ASSERT_EQ(m.count(), 3u);
    EXPECT_EQ(m.samples(), 2u);
    EXPECT_STREQ(m.entry(0).name, "first");
    EXPECT_STREQ(m.entry(2).name, "third");
    EXPECT_TRUE(entry_is(m.entry(0), "rate 22050"));
    EXPECT_TRUE(entry_is(m.entry(1), "length 0"));
    EXPECT_TRUE(entry_is(m.entry(2), "encoding 1"));
    EXPECT_EQ(m.pcm(2), ramp8(32, 200)); // unsigned values come out as stored
}

TEST(ItLoader, CompressedSamplesDecodeAcrossBlocksAndToTheFilesEnd)
{
    struct {
        bool wide, secondOrder;
        size_t values;
    } cases[] = {
        {false, false, 32768 + 5000},
        {false, true, 32768 + 5000},
        {true, false, 16384 + 3000},
        {true, true, 2 * 16384},
    };
    for (auto &c : cases) {
        Bytes pcm = c.wide ? sine16(c.values, 301, 25000) : noise(c.values, 17);
        LoadedFile m(it_of(
            {it_compressed_sample("packed", pcm, c.wide, c.secondOrder), {"after", ramp8(40)}},
            0x215));
        SCOPED_TRACE(testing::Message() << "wide " << c.wide << " 2.15 " << c.secondOrder);
        EXPECT_TRUE(entry_is(m.entry(0), "length " + std::to_string(c.values) + ", bytes " +
                                             std::to_string(pcm.size())));
        EXPECT_EQ(m.pcm(0), c.wide ? pcm : wav8(pcm));
        EXPECT_EQ(m.pcm(1), wav8(ramp8(40)));
    }
    // Nothing follows the last stream: the decoder must stop at the end of the copy.
    Bytes pcm = noise(3000, 4);
    Bytes file = it_of({it_compressed_sample("last", pcm, false, false)});
    EXPECT_EQ(LoadedFile(file).pcm(0), wav8(pcm));
    Bytes part = LoadedFile(Bytes(file.begin(), file.end() - 100)).pcm(0);
    ASSERT_EQ(part.size(), pcm.size());
    EXPECT_EQ(Bytes(part.begin(), part.begin() + 2000),
              wav8(Bytes(pcm.begin(), pcm.begin() + 2000)));
    EXPECT_EQ(part.back(), 0x80);
}

TEST(ItLoader, DeclaredLengthsAreCutToTheData)
{
    struct {
        const char *what;
        uint8_t flags, cvt;
        uint32_t declared, dataBytes, length;
    } cases[] = {
        {"8-bit", 0x01, 1, 5000, 1000, 1000},
        {"16-bit", 0x03, 1, 5000, 1000, 500},
        // Two channels: the left block must fit; the right one may be cut short.
        {"16-bit stereo", 0x07, 1, 400, 1000, 400},
        {"16-bit stereo, left cut", 0x07, 1, 800, 1000, 500},
        // A compressed stream yields at most 8 values a byte.
        {"compressed 8-bit", 0x09, 1, 0xFFFFFFFF, 1000, 8000},
        {"compressed 16-bit", 0x0B, 1, 0xFFFFFFFF, 1000, 8000},
        {"adpcm", 0x01, 0xFF, 0xFFFFFFFF, 1016, 2000},
    };
    for (auto &c : cases) {
        LoadedFile m(it_of({{"cut", noise(c.dataBytes, 9), c.flags, c.cvt, c.declared}}));
        EXPECT_TRUE(entry_is(m.entry(0), "length " + std::to_string(c.length))) << c.what;
        m.pcm(0); // decodes within the copy, whatever the stream says
    }
    // Data offsets past the end, or 0, make empty slots.
    ItSample far = {"far", Bytes(), 0x01, 1, 100}, zero = far;
    far.dataOffset = 0x7FFFFFFF;
    zero.dataOffset = 0;
    LoadedFile m(it_of({far, zero, {"real", ramp8(10)}}));
    EXPECT_TRUE(entry_is(m.entry(0), "length 0") && entry_is(m.entry(1), "length 0"));
    EXPECT_EQ(m.samples(), 1u);
}

TEST(ItLoader, SampleCountsBeyondTheFileOrCatalog)
{
    // 65535 samples claimed: only the offsets the file holds are walked.
    Bytes many = it_of({{"a", ramp8(10)}, {"b", ramp8(10)}});
    poke_le16(many, 36, 0xFFFF);
    LoadedFile m(many);
    EXPECT_LE(m.count(), (many.size() - 194) / 4);
    EXPECT_STREQ(m.entry(1).name, "b");
    // More real sample headers than the catalog's 4000 slots: the first 4000.
    std::vector<ItSample> big;
    for (int i = 0; i < 4100; i++)
        big.push_back({std::to_string(i), Bytes{1, 2, 3, 4, 5}});
    LoadedFile b(it_of(big));
    EXPECT_EQ(b.count(), 4000u);
    EXPECT_STREQ(b.entry(3999).name, "3999");
}
