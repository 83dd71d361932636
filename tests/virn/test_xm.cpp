// The XM loader, through the library's exported interface.
#include "loaded_module.h"
#include "xm_writer.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

// A module of one instrument with the given samples.
static Bytes xm_of(std::vector<XmSample> samples)
{
    XmSong song;
    song.instruments = {{"instrument", -1, std::move(samples)}};
    return write_xm(song);
}

TEST(XmLoader, NamesCountsAndOrderAcrossInstruments)
{
    XmSong song;
    song.name = "twenty-one characters";
    song.instruments = {{"", -1, {{"a1", xm_deltas8(ramp8(100))}, {"a2 (empty)"}}},
                        {},
                        {"", -1, {{"b1 with a name of 22+", xm_deltas8(ramp8(50))}}}};
    song.patterns = {Bytes(256, 0x80), Bytes(), Bytes(1000, 0x80)};
    LoadedFile m(write_xm(song));
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_XM);
    EXPECT_EQ(m.song(), "twenty-one character");
    ASSERT_EQ(m.count(), 3u);
    EXPECT_EQ(m.samples(), 2u);
    EXPECT_STREQ(m.entry(1).name, "a2 (empty)");
    EXPECT_TRUE(entry_is(m.entry(1), "length 0"));
    EXPECT_STREQ(m.entry(2).name, "b1 with a name of 22+");
    EXPECT_EQ(m.pcm(2), wav8(ramp8(50)));
    EXPECT_TRUE(entry_is(m.entry(0), "sustain 4:0-0"));
}

TEST(XmLoader, LoopsInBytesBecomeFramesAndAreRepaired)
{
    struct {
        uint8_t type;
        uint32_t bytes, loopStart, loopLength;
        const char *loop; // byte offsets in the decoded PCM
    } cases[] = {
        {1, 5000, 1000, 2000, "loop 1:1000-3000"},
        {2, 5000, 1000, 2000, "loop 2:1000-3000"},
        {3, 5000, 1000, 2000, "loop 2:1000-3000"},
        {1, 5000, 0, 0, "loop 0:0-0"},             // no length: the type goes
        {1, 5000, 1000, 0, "loop 1:0-0"},          // start not below the end: values go, type stays
        {2, 5000, 5000, 100, "loop 0:0-0"},        // start past the end
        {1, 5000, 4000, 5000, "loop 1:4000-5000"}, // end cut to the sample
        {0, 5000, 1000, 2000, "loop 0:1000-3000"}, // values kept without a loop type
        // 16-bit and two-channel samples: bytes to frames and back.
        {0x11, 4000, 1000, 2000, "loop 1:1000-3000"},
        {0x11, 4000, 1001, 2001, "loop 1:1000-3000"},
        {0x31, 8000, 1000, 2000, "loop 1:1000-3000"},
        {0x22, 4000, 2000, 4000, "loop 2:2000-4000"},
    };
    for (auto &c : cases) {
        LoadedFile m(xm_of({{"s", noise(c.bytes, 3), c.type, c.loopStart, c.loopLength}}));
        SCOPED_TRACE(testing::Message()
                     << "type " << (int)c.type << " loop " << c.loopStart << "+" << c.loopLength);
        EXPECT_TRUE(entry_is(m.entry(0), "bytes " + std::to_string(c.bytes) + ", " + c.loop));
    }
}

TEST(XmLoader, SampleDataFollowsInOrderAndStereoDeltasRestartPerChannel)
{
    // The first sample 16-bit with 4000 stored bytes: 2000 frames, and the second
    // sample's data 4000 bytes further on.
    Bytes pcm16 = sine16(2000, 50), next = noise(300, 4);
    Bytes l8 = ramp8(300, 1, 2), r8 = noise(300, 5), l16 = sine16(200, 40), r16 = sine16(200, 13);
    LoadedFile m(xm_of({{"16", xm_deltas16(pcm16), 0x10},
                        {"8", xm_deltas8(next)},
                        {"8", split_channels(xm_deltas8(l8), xm_deltas8(r8)), 0x20},
                        {"16", split_channels(xm_deltas16(l16), xm_deltas16(r16)), 0x30}}));
    EXPECT_TRUE(entry_is(m.entry(0), "length 2000, bytes 4000, encoding 6, bits 16"));
    EXPECT_EQ(m.entry(1).data, m.entry(0).data + 4000);
    EXPECT_EQ(m.pcm(0), pcm16);
    EXPECT_EQ(m.pcm(1), wav8(next));
    EXPECT_TRUE(entry_is(m.entry(2), "encoding 10, length 300, channels 2"));
    EXPECT_EQ(m.pcm(2), wav8(interleave(l8, r8, 1)));
    EXPECT_TRUE(entry_is(m.entry(3), "encoding 14, length 200"));
    EXPECT_EQ(m.pcm(3), interleave(l16, r16, 2));
}

TEST(XmLoader, AdpcmSamplesKeepTheirPackedSizeAndDecodedLength)
{
    static const int8_t steps[16] = {0,  1,  3,  7,   15,  31,  63,   127,
                                     -1, -3, -7, -15, -31, -63, -127, 2};
    std::vector<uint8_t> indexes;
    for (int i = 0; i < 1001; i++)
        indexes.push_back((uint8_t)((i * 5 + i / 7) % 16));
    XmSample packed = {"adpcm", adpcm_pack(steps, indexes), 1, 100, 800, 1001};
    packed.packing = 0xAD;
    // The mark means nothing on 16-bit data.
    XmSample wide = {"16", xm_deltas16(sine16(100, 10)), 0x10};
    wide.packing = 0xAD;
    Bytes next = noise(64, 8);
    LoadedFile m(xm_of({packed, {"next", xm_deltas8(next)}, wide}));
    // The stored block (16 + 1002 / 2 bytes) is copied whole as-is; the decoded size and
    // the loop count values, not packed bytes.
    EXPECT_TRUE(entry_is(m.entry(0), "encoding 3, length 517, bytes 1001, loop 1:100-900"));
    EXPECT_EQ(m.stored(0), packed.data);
    EXPECT_EQ(m.entry(1).data, m.entry(0).data + 517);
    EXPECT_EQ(m.pcm(1), wav8(next));
    Bytes expected;
    uint8_t v = 0;
    // An odd count takes its last value from the low nibble of the last byte.
    for (size_t i = 0; i < 1001; i++) {
        v = (uint8_t)(v + steps[indexes[i]]);
        expected.push_back(v ^ 0x80);
    }
    EXPECT_EQ(m.pcm(0), expected);
    EXPECT_TRUE(entry_is(m.entry(2), "encoding 6, length 100"));
}

TEST(XmLoader, RatesFromRelativeNoteAndFinetune)
{
    // The table rule, extended by whole octaves beyond its range: 8363 Hz times
    // 2^((note + finetune / 128) / 12), cut down to an integer, at least 1 Hz.
    struct {
        int8_t note, finetune;
        uint32_t rate;
    } cases[] = {
        {0, 0, 8363},      {12, 0, 16726},  {-12, 0, 4181},       {24, 0, 33452},
        {-48, 0, 522},     {-60, 0, 261},   {-72, 0, 130},        {-128, -128, 4},
        {47, 127, 133684}, {71, 0, 505184}, {127, 127, 13581312},
    };
    for (auto &c : cases) {
        XmSample s = {"r", xm_deltas8(ramp8(10))};
        s.relativeNote = c.note;
        s.finetune = c.finetune;
        uint32_t rate = LoadedFile(xm_of({s})).entry(0).rate;
        EXPECT_EQ(rate, c.rate) << (int)c.note << " " << (int)c.finetune;
        double ideal = 8363.0 * pow(2.0, (c.note + c.finetune / 128.0) / 12.0);
        if (ideal > 100) {
            EXPECT_NEAR(rate, ideal, ideal * 0.005 + 1) << (int)c.note << " " << (int)c.finetune;
        }
    }
}

TEST(XmLoader, HeaderSizesPlaceThePatternsAndSampleHeaders)
{
    struct {
        uint32_t moduleHeader;
        int64_t instrumentHeader;
    } cases[] = {{276, 263}, {280, 263}, {276, 300}, {300, 243}, {20, 263}};
    Bytes first = noise(200, 1), second = noise(90, 2);
    for (auto &c : cases) {
        XmSong song;
        song.headerSize = c.moduleHeader;
        song.patterns = {Bytes(256, 0x80), Bytes(77, 0x80)};
        XmInstrument ins = {
            "", c.instrumentHeader, {{"first", xm_deltas8(first)}, {"second", xm_deltas8(second)}}};
        song.instruments = {ins, ins};
        LoadedFile m(write_xm(song));
        SCOPED_TRACE(testing::Message() << c.moduleHeader << " " << c.instrumentHeader);
        ASSERT_EQ(m.count(), 4u);
        EXPECT_STREQ(m.entry(3).name, "second");
        EXPECT_EQ(m.pcm(2), wav8(first));
        EXPECT_EQ(m.pcm(3), wav8(second));
    }
}

TEST(XmLoader, DamagedLengthsAreClipped)
{
    XmSample huge = {"huge", xm_deltas8(noise(1000, 7)), 1, 0, 0xFFFFFF00u, 0xFFFFFFF0};
    XmSample after = {"after", xm_deltas8(ramp8(10))};
    LoadedFile m(xm_of({huge, after}));
    // The first sample reaches to the end of the file; the second lies beyond it.
    EXPECT_TRUE(entry_is(m.entry(0), "length 1010, loop 1:0-1010"));
    EXPECT_TRUE(entry_is(m.entry(1), "length 0"));
    EXPECT_EQ(m.samples(), 1u);

    // A sample count far beyond the file makes entries only of the headers present.
    Bytes file = xm_of({after});
    poke_le16(file, 336 + 9 + 256 + 27, 60000);
    LoadedFile many(file);
    EXPECT_LT(many.count(), 10u);
}

TEST(XmLoader, AnXmWithAModTagStaysAnXm)
{
    Bytes file = xm_of({{"s", xm_deltas8(noise(2000, 3))}});
    ASSERT_GT(file.size(), 1084u);
    memcpy(&file[1080], "M.K.", 4);
    EXPECT_EQ(LoadedFile(file).type(), (uint32_t)VIRN_TYPE_XM);
}
