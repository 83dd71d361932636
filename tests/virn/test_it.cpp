// The IT loader, through the library's exported interface.
#include "it_writer.h"
#include "loaded_module.h"

#include <gtest/gtest.h>

static Bytes it_of(std::vector<ItSample> samples, uint16_t cmwt = 0x214)
{
    ItSong song;
    song.name = "Twenty-six characters, and more";
    song.cmwt = cmwt;
    song.samples = std::move(samples);
    return write_it(song);
}

TEST(ItLoader, EncodingFromFlagsConversionAndVersion)
{
    // (Signed and unsigned 8-bit, 16-bit, two-channel, delta and compressed kinds of both
    // variants libxmp confirms on the IT fixtures.)
    struct {
        uint8_t flags, cvt;
        uint16_t cmwt;
        uint8_t encoding;
    } cases[] = {
        {0x03, 0x00, 0x214, 5},
        {0x05, 0x01, 0x214, 8},
        {0x07, 0x00, 0x214, 13},
        // Compressed: the variant needs both the version and cvt bit 2; two channels
        // are not marked.
        {0x09, 0x05, 0x214, 16},
        {0x0B, 0x05, 0x214, 20},
        {0x0B, 0x05, 0x217, 22},
        {0x0D, 0x05, 0x215, 18},
        {0x0F, 0x00, 0x215, 20},
        // Plain data stored as deltas, big-endian 16-bit, and 4-bit ADPCM.
        {0x03, 0x05, 0x214, 6},
        {0x05, 0x05, 0x214, 10},
        {0x07, 0x05, 0x214, 14},
        {0x03, 0x03, 0x214, 7},
        {0x07, 0x03, 0x214, 12},
        {0x01, 0xFF, 0x214, 3},
    };
    for (auto &c : cases) {
        LoadedFile m(it_of({{"s", noise(4000, 3), c.flags, c.cvt, 500}}, c.cmwt));
        EXPECT_EQ(m.entry(0).encoding, c.encoding)
            << std::hex << "flags " << (int)c.flags << " cvt " << (int)c.cvt << " cmwt " << c.cmwt;
    }
}

TEST(ItLoader, LoopKindsAndValues)
{
    // The ping-pong bits only qualify a loop whose own bit is set: real files carry
    // them on unlooped samples. A loop that plays is cut to the sample's 100 bytes. (The
    // kinds of loops and sustain loops that play libxmp confirms on the IT fixtures.)
    std::vector<ItSample> samples;
    for (uint8_t flags : {0x01, 0x41, 0x81, 0xF1, 0xC1})
        samples.push_back({std::to_string(flags), ramp8(100), flags, 1, -1, 50, 5000, 8363, 7, 3});
    // A rate of 0 plays at 1 Hz. 16-bit stereo: byte offsets four to a frame; points of
    // 0x40000001 and 0x40000010 frames would wrap to 4 and 64 bytes if scaled in 32 bits
    // (they saturate, and a playing loop is then cut to the sample), and the rate field
    // would make the WAV byte rate wrap.
    samples.back().c5speed = 0;
    samples.push_back({"st", split_channels(sine16(1000, 50), sine16(1000, 70)), 0x17, 1, -1, 100,
                       900, 8363, 10, 20});
    samples.push_back({"huge", noise(400, 9), 0x17, 1, -1, 0x40000001u, 0x40000010u, 0xFFFFFFF0u});
    LoadedFile m(it_of(samples));
    EXPECT_EQ(m.table(), lines({"32 7/7 Twenty-six characters, and",
                                "0 1: 100 e0 100 L0:50-5000 S0:7-3 8363 1x8",
                                "1 65: 100 e0 100 L0:50-5000 S0:7-3 8363 1x8",
                                "2 129: 100 e0 100 L0:50-5000 S0:7-3 8363 1x8",
                                "3 241: 100 e0 100 L2:50-100 S2:7-3 8363 1x8",
                                "4 193: 100 e0 100 L0:50-5000 S0:7-3 1 1x8",
                                "5 st: 1000 e12 4000 L1:400-3600 S0:40-80 8363 2x16",
                                "6 huge: 100 e12 400 L1:400-400 S0:0-0 1073741823 2x16"}));
    EXPECT_EQ(m.pcm(5), interleave(sine16(1000, 50), sine16(1000, 70), 2));
}

TEST(ItLoader, CompressedSampleDecodesToTheFilesEnd)
{
    // Nothing follows the last stream: the decoder must stop at the end of the copy.
    Bytes pcm = noise(3000, 4);
    Bytes file = it_of({it_compressed_sample("last", pcm, false, false)});
    Bytes part = LoadedFile(Bytes(file.begin(), file.end() - 100)).pcm(0);
    ASSERT_EQ(part.size(), pcm.size());
    EXPECT_EQ(Bytes(part.begin(), part.begin() + 2000),
              wav8(Bytes(pcm.begin(), pcm.begin() + 2000)));
    EXPECT_EQ(part.back(), 0x80);
}

TEST(ItLoader, DeclaredLengthsAreCutToTheData)
{
    // Two channels: the left block must fit, the right one may be cut short. ADPCM
    // packs two values a byte behind 16 steps. Data offsets past the end, or 0, make
    // empty slots. (Other kinds cut short: the clip property over every fixture.)
    std::vector<ItSample> samples = {
        {"16-bit stereo", noise(1000, 9), 0x07, 1, 400},
        {"16-bit stereo, left cut", noise(1000, 9), 0x07, 1, 800},
        {"adpcm", noise(1016, 9), 0x01, 0xFF, 0xFFFFFFFF},
        {"far", Bytes(), 0x01, 1, 100, 0, 0, 8363, 0, 0, 0x7FFFFFFF},
        {"at 0", Bytes(), 0x01, 1, 100, 0, 0, 8363, 0, 0, 0},
    };
    const uint32_t lengths[] = {400, 500, 2000, 0, 0};
    for (size_t i = 0; i < samples.size(); i++) {
        LoadedFile m(it_of({samples[i]})); // each the last thing in its file
        EXPECT_EQ(m.entry(0).length, lengths[i]) << samples[i].name;
        m.pcm(0); // decodes within the copy, whatever the stream says
    }
}
