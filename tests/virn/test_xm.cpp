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
    song.name = "twenty-one characters";
    song.instruments = {{"instrument", -1, std::move(samples)}, {"no samples"}};
    return write_xm(song);
}

TEST(XmLoader, LoopsAdpcmAndLengths)
{
    // Loops in bytes become frames and are repaired (plain forward and ping-pong loops of
    // both widths libxmp confirms on the XM fixture). ADPCM (1001 values: 16 steps, then two
    // values a byte) is copied whole as-is; its decoded size and loop count values, not
    // packed bytes, and 16-bit samples ignore the mark. (The values libxmp confirms on the
    // XM fixture, whose ADPCM sample has an odd count too.) A length that runs past the
    // file reaches to its end, and the sample after it has no data. Two channels keep
    // their deltas apart.
    Bytes l8 = ramp8(2000, 1, 2), r8 = noise(2000, 5), l16 = sine16(2000, 40),
          r16 = sine16(2000, 13);
    XmSample packed = {"adpcm", noise(16 + 501, 6), 1, 100, 800, 1001, 0, 0, 0xAD};
    XmSample wide = {"16: mark ignored", xm_deltas16(sine16(100, 10)), 0x10, 0, 0, -1, 0, 0, 0xAD};
    LoadedFile m(xm_of({
        {"kind 3", noise(5000, 3), 3, 1000, 2000},
        {"no length: no kind", noise(5000, 3), 1, 0, 0},
        {"start not below end", noise(5000, 3), 1, 1000, 0},
        {"start past the end", noise(5000, 3), 2, 5000, 100},
        {"end cut", noise(5000, 3), 1, 4000, 5000},
        {"no kind: values kept", noise(5000, 3), 0, 1000, 2000},
        {"16-bit odd bytes", noise(4000, 3), 0x11, 1001, 2001},
        {"16-bit stereo", split_channels(xm_deltas16(l16), xm_deltas16(r16)), 0x31, 1000, 2000},
        {"8-bit stereo", split_channels(xm_deltas8(l8), xm_deltas8(r8)), 0x22, 2000, 4000},
        packed,
        {"next", xm_deltas8(noise(64, 8))},
        wide,
        {"huge", xm_deltas8(noise(1000, 7)), 1, 0, 0xFFFFFF00u, 0xFFFFFFF0},
        {"after", xm_deltas8(ramp8(10))},
    }));
    EXPECT_EQ(m.table(), lines({"4 14/13 twenty-one character",
                                "0 kind 3: 5000 e2 5000 L2:1000-3000 S4:0-0 8363 1x8",
                                "1 no length: no kind: 5000 e2 5000 L0:0-0 S4:0-0 8363 1x8",
                                "2 start not below end: 5000 e2 5000 L1:0-0 S4:0-0 8363 1x8",
                                "3 start past the end: 5000 e2 5000 L0:0-0 S4:0-0 8363 1x8",
                                "4 end cut: 5000 e2 5000 L1:4000-5000 S4:0-0 8363 1x8",
                                "5 no kind: values kept: 5000 e2 5000 L0:1000-3000 S4:0-0 8363 1x8",
                                "6 16-bit odd bytes: 2000 e6 4000 L1:1000-3000 S4:0-0 8363 1x16",
                                "7 16-bit stereo: 2000 e14 8000 L1:1000-3000 S4:0-0 8363 2x16",
                                "8 8-bit stereo: 2000 e10 4000 L2:2000-4000 S4:0-0 8363 2x8",
                                "9 adpcm: 517 e3 1001 L1:100-900 S4:0-0 8363 1x8",
                                "10 next: 64 e2 64 L0:0-0 S4:0-0 8363 1x8",
                                "11 16: mark ignored: 100 e6 200 L0:0-0 S4:0-0 8363 1x16",
                                "12 huge: 1039 e2 1039 L1:0-1039 S4:0-0 8363 1x8",
                                "13 after: 0 e2 0 L0:0-0 S4:0-0 8363 1x8"}));
    EXPECT_EQ(m.pcm(7), interleave(l16, r16, 2));
    EXPECT_EQ(m.pcm(8), wav8(interleave(l8, r8, 1)));
    EXPECT_EQ(m.stored(9), packed.data);
    EXPECT_EQ(m.pcm(10), wav8(noise(64, 8)));
}

TEST(XmLoader, RatesFromRelativeNoteAndFinetune)
{
    // The table rule, extended by whole octaves beyond its range: 8363 Hz times
    // 2^((note + finetune / 128) / 12), cut down to an integer, at least 1 Hz.
    auto rate = [](int note, int finetune) {
        XmSample s = {"r", xm_deltas8(ramp8(10))};
        s.relativeNote = (int8_t)note;
        s.finetune = (int8_t)finetune;
        return LoadedFile(xm_of({s})).entry(0).rate;
    };
    struct {
        int8_t note, finetune;
        uint32_t rate;
    } cases[] = {
        {0, 0, 8363},      {12, 0, 16726},  {-12, 0, 4181},       {24, 0, 33452},
        {-48, 0, 522},     {-60, 0, 261},   {-72, 0, 130},        {-128, -128, 4},
        {47, 127, 133684}, {71, 0, 505184}, {127, 127, 13581312},
    };
    for (auto &c : cases)
        EXPECT_EQ(rate(c.note, c.finetune), c.rate) << (int)c.note << " " << (int)c.finetune;
    // Every note at both ends of the finetune and between them is near the ideal rate.
    for (int note = -128; note < 128; note++) {
        for (int finetune : {-128, 0, 127}) {
            double ideal = 8363.0 * pow(2.0, (note + finetune / 128.0) / 12.0);
            if (ideal > 100) {
                EXPECT_NEAR(rate(note, finetune), ideal, ideal * 0.005 + 1)
                    << note << " " << finetune;
            }
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
    // A MOD tag where a MOD has it does not make an XM a MOD.
    Bytes file = xm_of({{"s", xm_deltas8(noise(2000, 3))}});
    memcpy(&file[1080], "M.K.", 4);
    EXPECT_EQ(LoadedFile(file).type(), (uint32_t)VIRN_TYPE_XM);
}
