// The STM loader, through the library's exported interface.
#include "loaded_module.h"
#include "stm_writer.h"

#include <gtest/gtest.h>

static Bytes stm_of(std::vector<StmInstrument> instruments)
{
    StmSong song;
    song.instruments = std::move(instruments);
    return write_stm(song);
}

TEST(StmLoader, SamplesStartOnSixteenByteBoundariesAfterThePatterns)
{
    // Two patterns: the first sample at 1168 + 2048 = 3216; an odd length moves the
    // next one up to the following boundary (3216 + 1001 -> 4224, 4224 + 500 -> 4736).
    StmSong song;
    song.title = "A title longer than twenty";
    song.patterns = 2;
    Bytes first = noise(1001, 1), second = noise(500, 2), third = noise(16, 3);
    song.instruments = {{"first", first}, {"second", second}, {"third", third}};
    Bytes file = write_stm(song);
    ASSERT_EQ(Bytes(file.begin() + 3216, file.begin() + 3216 + 1001), first);
    LoadedFile m(file);
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_STM);
    EXPECT_EQ(m.song(), "A title longer than ");
    EXPECT_EQ(m.count(), 30u);
    EXPECT_EQ(m.samples(), 3u);
    EXPECT_EQ(m.stored(0), first);
    EXPECT_EQ(m.stored(1), second);
    EXPECT_EQ(m.stored(2), third);
    EXPECT_EQ(m.entry(1).data - m.entry(0).data, 4224u - 3216u);
    EXPECT_EQ(m.entry(2).data - m.entry(0).data, 4736u - 3216u);
    EXPECT_EQ(m.pcm(0), wav8(first));
}

TEST(StmLoader, SilencedAndShortInstrumentsTakeNoData)
{
    struct {
        uint16_t length;
        uint8_t volume;
        bool sample;
    } cases[] = {{3000, 0, false}, {3, 64, false}, {4, 64, true}, {3000, 1, true}};
    for (auto &c : cases) {
        StmInstrument odd = {"odd", c.sample ? noise(c.length, 4) : Bytes()};
        odd.length = c.length;
        odd.volume = c.volume;
        LoadedFile m(stm_of({odd, {"after", ramp8(200, 3)}}));
        SCOPED_TRACE(testing::Message() << "length " << c.length << " volume " << (int)c.volume);
        EXPECT_TRUE(entry_is(m.entry(0), "length " + std::to_string(c.sample ? c.length : 0u)));
        EXPECT_EQ(m.samples(), c.sample ? 2u : 1u);
        EXPECT_EQ(m.stored(1), ramp8(200, 3));
    }
}

TEST(StmLoader, LoopsRatesAndNames)
{
    struct {
        uint16_t ls, le;
        const char *loop; // without a loop the values stay, even past the sample
    } cases[] = {{0, 0xFFFF, "loop 0:0-65535"},
                 {100, 900, "loop 1:100-900"},
                 {900, 100, "loop 0:900-100"},
                 {0, 0, "loop 0:0-0"},
                 {10, 5000, "loop 1:10-1000"}}; // a loop is cut to the sample
    for (auto &c : cases) {
        StmInstrument ins = {"name14chars.x", noise(1000, 5), c.ls, c.le};
        ins.c3speed = 22000;
        LoadedFile m(stm_of({ins}));
        EXPECT_TRUE(
            entry_is(m.entry(0), std::string(c.loop) + ", sustain 4:0-0, rate 22000, encoding 0"));
        EXPECT_STREQ(m.entry(0).name, "name14chars.");
    }
}

TEST(StmLoader, HeaderPointersPlaceTheData)
{
    // Real files keep the data of a silenced slot (length 4095, volume 0): only the
    // header's paragraph pointer finds the sample after it. A pointer of 0, or one
    // past the end of the file, falls back to the position the lengths give.
    const uint32_t first = 1168 + 1024; // one pattern
    struct {
        const char *what;
        int64_t paragraph; // of the second instrument; -1: where its data really is
        uint32_t expected; // its data's file offset
    } cases[] = {
        {"pointer", -1, first + 4096},
        {"no pointer", 0, first}, // the muted slot takes no place in the sequence
        {"past the end", 0xFFFF, first},
        {"elsewhere in the file", first / 16, first}, // taken as it stands
    };
    for (auto &c : cases) {
        StmInstrument muted = {"muted", noise(4095, 2)};
        muted.volume = 0;
        StmInstrument played = {"played", ramp8(700, 1, 5), 100, 600};
        played.paragraph = c.paragraph;
        Bytes file = stm_of({muted, played});
        LoadedFile m(file);
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(entry_is(m.entry(0), "length 0"));
        EXPECT_EQ(m.samples(), 1u);
        ASSERT_TRUE(entry_is(m.entry(1), "length 700"));
        EXPECT_EQ(m.stored(1), Bytes(file.begin() + c.expected, file.begin() + c.expected + 700));
        if (c.paragraph < 0) {
            EXPECT_EQ(m.stored(1), ramp8(700, 1, 5));
        }
    }
}

TEST(StmLoader, SignatureNeedsTrackerNameMarkAndFileType)
{
    struct {
        const char *tracker;
        uint8_t fileType;
        bool claimed;
    } cases[] = {{"!Scream!", 2, true}, // what real files carry
                 {"!SCREAM!", 2, true},  {"BMOD2STM", 2, true},  {"!SCREAM!", 1, false},
                 {"!Scream!", 1, false}, {"!scream!", 2, false}, {"BMOD2ST_", 2, false}};
    StmSong song;
    song.instruments = {{"x", ramp8(64)}};
    for (auto &c : cases) {
        song.tracker = c.tracker;
        song.fileType = c.fileType;
        LoadedFile m(write_stm(song), true);
        EXPECT_EQ(m.h != 0, c.claimed) << c.tracker << " " << (int)c.fileType;
    }
    song.tracker = "!Scream!";
    song.fileType = 2;
    Bytes noMark = write_stm(song);
    noMark[28] = 0x1B;
    EXPECT_FALSE(LoadedFile(noMark, true).h);
}

TEST(StmLoader, TruncatedDataIsClippedAndMissingDataIsEmpty)
{
    Bytes file = stm_of({{"a", noise(800, 6), 0, 800}, {"b", noise(800, 7)}});
    file.resize(file.size() - 800 - 300); // b is gone, a keeps 500 bytes
    LoadedFile m(file);
    EXPECT_TRUE(entry_is(m.entry(0), "length 500"));
    EXPECT_TRUE(entry_is(m.entry(1), "length 0"));
    EXPECT_EQ(m.samples(), 1u);
}
