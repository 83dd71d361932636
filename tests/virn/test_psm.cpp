// The PSM loader, through the library's exported interface.
#include "loaded_module.h"
#include "psm_writer.h"
#include "xm_writer.h" // xm_deltas8: the same running byte sums

#include <gtest/gtest.h>

TEST(PsmLoader, SampleChunksInFileOrderAmongOtherChunks)
{
    PsmSong song;
    Bytes a = noise(500, 1), b = sine16(100, 20), c = ramp8(77, 200, 3);
    song.samples = {{"first of the samples, 33 letters!", xm_deltas8(a)},
                    {"second", xm_deltas8(b)},
                    {"third", xm_deltas8(c)}};
    song.samples[0].rate = 22222;
    LoadedFile m(write_psm(song));
    EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_PSM);
    EXPECT_EQ(m.song(), ""); // the title chunk is not read
    ASSERT_EQ(m.count(), 3u);
    EXPECT_TRUE(entry_is(m.entry(0), "encoding 2, rate 22222")); // the rate at an odd offset
    EXPECT_STREQ(m.entry(0).name, "first of the samples, 33 letters!");
    EXPECT_EQ(m.pcm(0), wav8(a));
    EXPECT_EQ(m.pcm(1), wav8(b));
    EXPECT_EQ(m.pcm(2), wav8(c));
}

TEST(PsmLoader, LoopStartIsOneLess)
{
    struct {
        uint8_t flags;
        uint32_t ls, le;
        const char *loop;
    } cases[] = {{0x80, 1, 500, "loop 1:0-500"},
                 {0x80, 0, 500, "loop 1:0-500"},
                 {0x80, 101, 400, "loop 1:100-400"},
                 {0x00, 101, 400, "loop 0:100-400"},
                 {0x7F, 10, 20, "loop 0:9-20"}};
    for (auto &c : cases) {
        PsmSong song;
        song.samples = {{"s", noise(600, 2), c.flags, c.ls, c.le}};
        EXPECT_TRUE(entry_is(LoadedFile(write_psm(song)).entry(0), c.loop));
    }
}

TEST(PsmLoader, ShortLengthsCountOnlyWithDataBehindThem)
{
    struct {
        int64_t length;
        size_t dataBytes;
        uint32_t expected;
    } cases[] = {
        {2, 0, 0},   // a 96-byte chunk: no data, an empty slot
        {3, 3, 0},   // 3 data bytes: still too short
        {2, 10, 2},  // the chunk holds more: the short length stands
        {0, 10, 0},  // a length of 0 stays 0 and is no sample
        {50, 10, 10} // a length beyond the file is cut to it (the chunk is the last one)
    };
    for (auto &c : cases) {
        PsmSong song;
        song.otherChunks = false;
        song.samples = {{"s", noise(c.dataBytes, 3), 0, 0, 0, c.length}};
        LoadedFile m(write_psm(song));
        EXPECT_EQ(m.count(), 1u);
        EXPECT_TRUE(entry_is(m.entry(0), "length " + std::to_string(c.expected)))
            << c.length << " " << c.dataBytes;
        EXPECT_EQ(m.samples(), c.expected ? 1u : 0u);
    }
}

TEST(PsmLoader, ChunksSmallerThanASampleHeadAreSteppedOver)
{
    PsmSong song;
    song.samples = {{"s", noise(100, 4)}};
    Bytes file = write_psm(song);
    Bytes fake = {'D', 'S', 'M', 'P', 40, 0, 0, 0};
    Bytes body = noise(40, 5);
    file.insert(file.begin() + 12, body.begin(), body.end());
    file.insert(file.begin() + 12, fake.begin(), fake.end());
    LoadedFile m(file);
    EXPECT_EQ(m.count(), 1u);
}
