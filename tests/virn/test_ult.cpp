// The ULT loader, through the library's exported interface.
#include "loaded_module.h"
#include "ult_writer.h"

#include <gtest/gtest.h>

TEST(UltLoader, PatternWalkFindsTheSampleDataForEveryVersionAndSize)
{
    // The pattern area's size depends on the channel and pattern counts, on the
    // repeats inside it and, from version '3' on, on the pan table; the text lines and
    // the header size of the version move it as a whole.
    struct {
        char version;
        size_t lines;
        uint8_t channels, patterns;
    } cases[] = {{'1', 0, 1, 1},  {'2', 1, 4, 2}, {'3', 2, 8, 3},
                 {'4', 0, 32, 1}, {'4', 3, 5, 7}, {'3', 0, 1, 1}};
    for (auto &c : cases) {
        UltSong song;
        song.version = c.version;
        song.title = "walk";
        song.text.assign(c.lines, "a line");
        song.channels = c.channels;
        song.patterns = c.patterns;
        song.samples = {{"a", noise(333, 1)}, {"b", noise(100, 2)}};
        LoadedFile m(write_ult(song));
        SCOPED_TRACE(testing::Message()
                     << "version " << c.version << ", " << c.lines << " lines, " << (int)c.channels
                     << " channels, " << (int)c.patterns << " patterns");
        EXPECT_EQ(m.stored(0), noise(333, 1));
        EXPECT_EQ(m.stored(1), noise(100, 2));
    }
}

TEST(UltLoader, EachSampleHasItsOwnWidth)
{
    UltSong song;
    song.title = "Widths of the ULT samples, too long";
    Bytes first = noise(300, 3), wide = sine16(1000, 50), last = ramp8(120, 5);
    song.samples = {{"first", first}, {"wide", wide, 4, 0, 0, 100}, {"last", last}};
    song.samples[1].c2freq = 44100;
    LoadedFile m(write_ult(song));
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_ULT);
    EXPECT_EQ(m.song(), "Widths of the ULT samples, too l");
    ASSERT_EQ(m.count(), 3u);
    EXPECT_TRUE(entry_is(m.entry(0), "encoding 0, length 300, bytes 300"));
    EXPECT_TRUE(entry_is(m.entry(1), "encoding 4, length 1000, bytes 2000, rate 44100"));
    EXPECT_TRUE(entry_is(m.entry(2), "encoding 0, length 120, bytes 120"));
    EXPECT_EQ(m.pcm(0), wav8(first));
    EXPECT_EQ(m.pcm(1), wide);
    EXPECT_EQ(m.pcm(2), wav8(last));
}

TEST(UltLoader, LoopKindsAndUnits)
{
    // 8-bit loops count frames; 16-bit ones count bytes, as real files store them
    // (18000 frames looped over 9000..36000 is frames 4500..18000): the catalog's
    // byte offsets are the stored values either way.
    struct {
        uint8_t flags;
        uint32_t bytes, loopStart, loopEnd;
        char loopType;
    } cases[] = {{0, 800, 100, 300, '0'},        {8, 800, 100, 300, '1'},
                 {16, 800, 100, 300, '2'},       {8 | 16, 800, 100, 300, '2'},
                 {4 | 8, 800, 100, 300, '1'},    {4 | 16, 800, 100, 300, '2'},
                 {0x1C, 36000, 9000, 36000, '2'}};
    for (auto &c : cases) {
        UltSong song;
        song.version = '2';
        song.samples = {{"s", noise(c.bytes, 6), c.flags, c.loopStart, c.loopEnd}};
        LoadedFile m(write_ult(song));
        // Before version '4' every sample plays at 8363 Hz.
        EXPECT_TRUE(entry_is(m.entry(0), "bytes " + std::to_string(c.bytes) + ", loop " +
                                             c.loopType + ":" + std::to_string(c.loopStart) + "-" +
                                             std::to_string(c.loopEnd) +
                                             ", sustain 4:0-0, rate 8363"))
            << "flags " << (int)c.flags;
    }
}

TEST(UltLoader, CountsAboveAHundredAndTwentySevenAreUnsigned)
{
    UltSong song;
    for (int i = 0; i < 200; i++)
        song.samples.push_back({"s" + std::to_string(i), ramp8(8, (uint8_t)i)});
    LoadedFile m(write_ult(song));
    ASSERT_EQ(m.count(), 200u);
    EXPECT_STREQ(m.entry(199).name, "s199");
    EXPECT_EQ(m.stored(199), ramp8(8, 199));
}

TEST(UltLoader, DamagedSizesAndData)
{
    UltSong song;
    song.samples = {{"end before start", Bytes(), 0, 0, 0, 500, 100}, {"long", noise(600, 7)}};
    Bytes file = write_ult(song);
    LoadedFile m(file);
    EXPECT_TRUE(entry_is(m.entry(0), "length 0")); // not a sample of 4 G frames
    EXPECT_TRUE(entry_is(m.entry(1), "length 600"));
    file.resize(file.size() - 200);
    LoadedFile cut(file);
    EXPECT_TRUE(entry_is(cut.entry(1), "length 400"));
}
