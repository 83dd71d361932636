// The player's arithmetic: which requests play looped, once or not at all, the ping-pong
// buffer, and the plan that streams an intro through a DirectSound buffer the size of
// the loop, played on a model device.
#include "play_shape.h"
#include "stream_plan.h"

#include <gtest/gtest.h>
#include <string.h>
#include <vector>

namespace
{

CatalogEntry entry(uint32_t bytes, uint8_t channels, uint8_t bits, uint32_t rate,
                   uint32_t loopStart, uint32_t loopEnd, uint8_t loopType = 1)
{
    CatalogEntry e;
    memset(&e, 0, sizeof e);
    e.info = {bytes, loopStart, loopEnd, 0, 0};
    e.loopType = loopType;
    e.rate = rate;
    e.channels = channels;
    e.bits = bits;
    return e;
}

TEST(PlayShape, LoopsThatDoNotFitThePcmPlayOnce)
{
    struct {
        CatalogEntry e;
        uint32_t pcm; // what the library writes
        bool dsound;
        PlayVerdict verdict;
        uint32_t intro, loop, total; // loop 0: plays once
    } cases[] = {
        {entry(1000, 1, 8, 8000, 100, 900), 1000, false, PLAY_GO, 100, 800, 900},
        {entry(1000, 1, 8, 8000, 100, 1001), 1000, false, PLAY_GO, 0, 0, 1000}, // end beyond
        {entry(5000, 1, 8, 8000, 0, 2000), 1000, false, PLAY_GO, 0, 0, 1000},   // copy claims more
        {entry(1000, 1, 8, 8000, 900, 100), 1000, false, PLAY_GO, 0, 0, 1000},  // start > end
        {entry(4000, 2, 16, 8000, 402, 3603), 4000, false, PLAY_GO, 400, 3200, 3600}, // frames
        {entry(4000, 2, 16, 8000, 401, 403), 4000, false, PLAY_GO, 0, 0, 4000},       // < a frame
        {entry(4000, 2, 16, 8000, 400, 404), 4000, false, PLAY_GO, 400, 4, 404},      // one frame
        {entry(4000, 2, 16, 8000, 400, 404), 4000, true, PLAY_GO, 0, 0, 4000},        // DS: two
        {entry(4000, 2, 16, 8000, 400, 408), 4000, true, PLAY_GO, 400, 8, 408},
        {entry(100, 1, 8, 8000, 10, 12), 100, true, PLAY_GO, 0, 0, 100}, // DS: four bytes
        {entry(1000, 1, 8, 8000, 100, 300, 2), 1000, false, PLAY_GO, 100, 400, 500}, // ping-pong
        {entry(1000, 1, 8, 0, 100, 900), 1000, false, PLAY_NO_RATE, 0, 0, 1000},
        {entry(3, 2, 16, 8000, 0, 0), 3, false, PLAY_EMPTY, 0, 0, 0},
    };
    for (const auto &c : cases) {
        PlayShape s;
        SCOPED_TRACE(testing::Message() << c.e.info.loopStart << ".." << c.e.info.loopEnd);
        EXPECT_EQ(c.verdict, shape_play(&c.e, c.pcm, true, c.dsound, &s));
        EXPECT_EQ(c.loop != 0, s.looped);
        EXPECT_EQ(c.total, s.total);
        EXPECT_EQ(c.intro, s.looped ? s.intro : 0);
        EXPECT_EQ(c.loop, s.looped ? s.loop : 0);
    }
}

TEST(PlayShape, PingPongPlaysTheLoopForwardThenBackward)
{
    // 16-bit mono: an intro of 2 frames, a loop of 3, one frame after it.
    const uint8_t pcm[12] = {1, 2, 3, 4, 10, 11, 20, 21, 30, 31, 99, 99};
    CatalogEntry e = entry(12, 1, 16, 8000, 4, 10, 2);
    PlayShape s;
    ASSERT_EQ(PLAY_GO, shape_play(&e, 12, true, false, &s));
    ASSERT_EQ(16u, s.total);
    uint8_t out[16];
    build_ping_pong(&s, pcm, out);
    const uint8_t expected[16] = {1, 2, 3, 4, 10, 11, 20, 21, 30, 31, 30, 31, 20, 21, 10, 11};
    EXPECT_EQ(0, memcmp(expected, out, 16));
}

// Plays the plan on a model device that reads the ring buffer frame by frame; the moment
// it finishes a half (reaches H, or wraps at L; a cursor placed on H counts as reaching
// it) the thread carries out the next write. Every byte is tagged with its PCM position.
std::vector<int64_t> play_on_model(uint32_t intro, uint32_t loop, uint32_t frame, size_t bytes)
{
    StreamPlan p;
    std::vector<int64_t> heard, ring(loop, -1);
    if (!stream_plan(intro, loop, frame, &p))
        return heard;
    uint32_t cursor = 0, next = 0;
    auto carry_out = [&]() {
        if (next >= p.steps)
            return;
        StreamWrite w = stream_write(&p, next++);
        EXPECT_LE((uint64_t)w.offset + w.count, loop);
        EXPECT_LE((uint64_t)w.source + w.count, (uint64_t)intro + loop);
        if (w.setPosition)
            cursor = w.position;
        for (uint32_t i = 0; i < w.count && w.offset + i < loop; i++)
            ring[w.offset + i] = w.source + i;
    };
    carry_out();
    if (cursor == p.half)
        carry_out();
    while (heard.size() < bytes) {
        heard.insert(heard.end(), ring.begin() + cursor, ring.begin() + cursor + frame);
        cursor += frame;
        if (cursor == loop)
            cursor = 0;
        if (cursor == 0 || cursor == p.half)
            carry_out();
    }
    EXPECT_EQ(p.steps, next);
    EXPECT_EQ(0u, p.notify[0] % frame);
    EXPECT_EQ(loop - frame, p.notify[1]);
    return heard;
}

TEST(StreamPlan, TheModelDeviceHearsTheIntroThenTheLoop)
{
    StreamPlan p;
    EXPECT_FALSE(stream_plan(0, 6, 4, &p)); // one and a half frames: no two halves
    for (uint32_t f : {1u, 2u, 4u}) {
        for (uint32_t frames : {2u, 3u, 5u, 100u, 101u}) {
            uint32_t loop = frames * f, half = frames / 2 * f;
            for (uint32_t intro : {0u, f, half, half + f, loop, loop + f, loop + half, 2 * loop,
                                   2 * loop + f, 5 * loop + half + f, 7 * loop - f}) {
                size_t bytes = intro + 3 * (size_t)loop;
                std::vector<int64_t> heard = play_on_model(intro, loop, f, bytes), expected;
                for (size_t k = 0; k < bytes; k++)
                    expected.push_back(k < intro ? k : intro + (k - intro) % loop);
                EXPECT_TRUE(heard == expected) << "frame " << f << " L " << loop << " I " << intro;
            }
        }
    }
}

} // namespace
