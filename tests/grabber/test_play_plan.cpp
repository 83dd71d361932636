// The player's arithmetic: which requests play looped, once or not at all, the ping-pong
// buffer, and the plan that streams an intro through a DirectSound buffer the size of
// the loop, checked write by write and by playing it on a model device.
#include "play_shape.h"
#include "settings_format.h"
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
    e.info.byteLength = bytes;
    e.info.loopStart = loopStart;
    e.info.loopEnd = loopEnd;
    e.loopType = loopType;
    e.rate = rate;
    e.channels = channels;
    e.bits = bits;
    return e;
}

TEST(PlayShape, LoopsThatDoNotFitPlayOnce)
{
    struct {
        const char *what;
        CatalogEntry e;
        uint32_t pcm;
        bool dsound;
        PlayVerdict verdict;
        bool looped;
        uint32_t intro, loop, total;
    } cases[] = {
        {"fits", entry(1000, 1, 8, 8000, 100, 900), 1000, false, PLAY_GO, true, 100, 800, 900},
        {"end beyond the PCM", entry(1000, 1, 8, 8000, 100, 1001), 1000, false, PLAY_GO, false, 0,
         0, 1000},
        // The copy may claim more than the library hands out.
        {"end beyond what the library writes", entry(5000, 1, 8, 8000, 0, 2000), 1000, false,
         PLAY_GO, false, 0, 0, 1000},
        {"start after end", entry(1000, 1, 8, 8000, 900, 100), 1000, false, PLAY_GO, false, 0, 0,
         1000},
        {"start at end", entry(1000, 1, 8, 8000, 500, 500), 1000, false, PLAY_GO, false, 0, 0,
         1000},
        // 16-bit stereo: frames of 4 bytes; points are cut to whole frames.
        {"cut to frames", entry(4000, 2, 16, 8000, 402, 3603), 4000, false, PLAY_GO, true, 400,
         3200, 3600},
        {"less than a frame", entry(4000, 2, 16, 8000, 401, 403), 4000, false, PLAY_GO, false, 0, 0,
         4000},
        {"one frame on waveOut", entry(4000, 2, 16, 8000, 400, 404), 4000, false, PLAY_GO, true,
         400, 4, 404},
        {"one frame on DirectSound", entry(4000, 2, 16, 8000, 400, 404), 4000, true, PLAY_GO, false,
         0, 0, 4000},
        {"two frames on DirectSound", entry(4000, 2, 16, 8000, 400, 408), 4000, true, PLAY_GO, true,
         400, 8, 408},
        {"two bytes on DirectSound", entry(100, 1, 8, 8000, 10, 12), 100, true, PLAY_GO, false, 0,
         0, 100},
        {"ping-pong doubles", entry(1000, 1, 8, 8000, 100, 300, 2), 1000, false, PLAY_GO, true, 100,
         400, 500},
        {"rate 0", entry(1000, 1, 8, 0, 100, 900), 1000, false, PLAY_NO_RATE, false, 0, 0, 1000},
        {"no whole frame", entry(3, 2, 16, 8000, 0, 0), 3, false, PLAY_EMPTY, false, 0, 0, 0},
    };
    for (const auto &c : cases) {
        PlayShape s;
        EXPECT_EQ(c.verdict, shape_play(&c.e, c.pcm, true, c.dsound, &s)) << c.what;
        EXPECT_EQ(c.looped, s.looped) << c.what;
        EXPECT_EQ(c.total, s.total) << c.what;
        if (c.looped) {
            EXPECT_EQ(c.intro, s.intro) << c.what;
            EXPECT_EQ(c.loop, s.loop) << c.what;
        }
    }
}

TEST(PlayShape, PingPongPlaysTheLoopForwardThenBackward)
{
    // 16-bit mono, frames of 2 bytes: intro of 2 frames, loop of 3 frames, one after it.
    const uint8_t pcm[12] = {1, 2, 3, 4, 10, 11, 20, 21, 30, 31, 99, 99};
    CatalogEntry e = entry(12, 1, 16, 8000, 4, 10, 2);
    PlayShape s;
    ASSERT_EQ(PLAY_GO, shape_play(&e, 12, true, false, &s));
    ASSERT_TRUE(s.pingPong);
    ASSERT_EQ(16u, s.total);
    uint8_t out[16];
    build_ping_pong(&s, pcm, out);
    const uint8_t expected[16] = {1, 2, 3, 4, 10, 11, 20, 21, 30, 31, 30, 31, 20, 21, 10, 11};
    EXPECT_EQ(0, memcmp(expected, out, 16));
}

TEST(PlayShape, VolumesOfTheOtherKindOfDeviceAreCarriedOver)
{
    const uint32_t wave = WAVEOUT_DEVICE_BASE, ds = 0;
    EXPECT_EQ(48000u, waveout_level(wave, 48000));
    EXPECT_EQ(0xFFFFu, waveout_level(wave, 0xFFFF));
    EXPECT_EQ(54000u, waveout_level(wave, (uint32_t)-1000)); // position 10
    EXPECT_EQ(-1000, dsound_attenuation(ds, (uint32_t)-1000));
    EXPECT_EQ(-10000, dsound_attenuation(ds, (uint32_t)-20000));
    EXPECT_EQ(-2000, dsound_attenuation(ds, 48000)); // position 20
}

std::vector<StreamWrite> writes_of(uint32_t intro, uint32_t loop, uint32_t blockAlign)
{
    StreamPlan p;
    std::vector<StreamWrite> writes;
    if (stream_plan(intro, loop, blockAlign, &p))
        for (uint32_t n = 0; n < p.steps; n++)
            writes.push_back(stream_write(&p, n));
    return writes;
}

// wait, set position (-1: none), offset, source, count
struct Expected {
    bool wait;
    int64_t position;
    uint32_t offset, source, count;
};

TEST(StreamPlan, WritesOfTheTypicalCases)
{
    struct {
        uint32_t intro, loop;
        std::vector<Expected> writes;
    } cases[] = {
        // A short intro comes with the loop's first half: PCM [0, 800) at 200, then the
        // first notification puts PCM [800, 1300) at 0.
        {300, 1000, {{false, 200, 200, 0, 800}, {true, -1, 0, 800, 500}}},
        // No intro: the loop's first half in half 1, the play cursor there.
        {0, 1000, {{false, 500, 500, 0, 500}, {true, -1, 0, 500, 500}}},
        // An intro between H and L ends at offset L; the loop follows half by half.
        {700,
         1000,
         {{false, 300, 300, 0, 700}, {true, -1, 0, 700, 500}, {true, -1, 500, 1200, 500}}},
        // k = 4, r = 300: two refills, the last 300 intro bytes end where half 0 ends, the
        // cursor jumps to them, the loop's halves follow.
        {2300,
         1000,
         {{false, -1, 0, 0, 1000},
          {true, -1, 0, 1000, 500},
          {true, -1, 500, 1500, 500},
          {true, -1, 200, 2000, 300},
          {true, 200, 500, 2300, 500},
          {true, -1, 0, 2800, 500}}},
        // An intro of whole halves: the last half of it fills half 1 and no jump is needed.
        {2000,
         1000,
         {{false, -1, 0, 0, 1000},
          {true, -1, 0, 1000, 500},
          {true, -1, 500, 1500, 500},
          {true, -1, 0, 2000, 500},
          {true, -1, 500, 2500, 500}}},
        // Odd L: half 1 is [500, 1001), and every write of it covers the last byte.
        {300, 1001, {{false, 200, 200, 0, 801}, {true, -1, 0, 801, 500}}},
        {2300,
         1001,
         {{false, -1, 0, 0, 1001},
          {true, -1, 0, 1001, 500},
          {true, -1, 500, 1501, 501},
          {true, -1, 202, 2002, 298},
          {true, 202, 500, 2300, 501},
          {true, -1, 0, 2801, 500}}},
    };
    for (const auto &c : cases) {
        std::vector<StreamWrite> got = writes_of(c.intro, c.loop, 1);
        ASSERT_EQ(c.writes.size(), got.size()) << c.intro << "/" << c.loop;
        for (size_t i = 0; i < got.size(); i++) {
            const Expected &e = c.writes[i];
            const StreamWrite &w = got[i];
            SCOPED_TRACE(testing::Message() << c.intro << "/" << c.loop << " write " << i);
            EXPECT_EQ(e.wait, w.wait);
            EXPECT_EQ(e.position, w.setPosition ? (int64_t)w.position : -1);
            EXPECT_EQ(e.offset, w.offset);
            EXPECT_EQ(e.source, w.source);
            EXPECT_EQ(e.count, w.count);
        }
    }
    EXPECT_TRUE(writes_of(0, 1, 1).empty());  // one frame: no halves
    EXPECT_TRUE(writes_of(0, 6, 4).empty());  // one and a half frames
    EXPECT_FALSE(writes_of(0, 8, 4).empty()); // two frames
}

// Plays the plan on a model device: the ring buffer is read frame by frame, and the
// moment the device finishes a half (reaches H, or wraps at L) the thread carries out the
// next write. A cursor placed on H counts as reaching it. The stream heard must be the
// intro, then the loop over and over; every byte is tagged with its PCM position.
std::vector<int64_t> play_on_model(uint32_t intro, uint32_t loop, uint32_t blockAlign, size_t bytes)
{
    StreamPlan p;
    std::vector<int64_t> heard;
    if (!stream_plan(intro, loop, blockAlign, &p))
        return heard;
    std::vector<int64_t> ring(loop, -1);
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
        for (uint32_t i = 0; i < blockAlign; i++)
            heard.push_back(ring[cursor + i]);
        cursor += blockAlign;
        if (cursor == loop) {
            cursor = 0;
            carry_out();
        } else if (cursor == p.half) {
            carry_out();
        }
    }
    EXPECT_EQ(p.steps, next);
    EXPECT_EQ(0u, p.notify[0] % blockAlign);
    EXPECT_EQ(loop - blockAlign, p.notify[1]);
    return heard;
}

TEST(StreamPlan, TheModelDeviceHearsTheIntroThenTheLoop)
{
    for (uint32_t blockAlign : {1u, 2u, 4u}) {
        for (uint32_t frames : {2u, 3u, 4u, 5u, 7u, 100u, 101u}) {
            uint32_t loop = frames * blockAlign;
            uint32_t half = frames / 2 * blockAlign;
            const uint32_t f = blockAlign;
            for (uint32_t intro : {0u, f, half - f, half, half + f, loop - f, loop, loop + f,
                                   loop + half, 2 * loop - f, 2 * loop, 2 * loop + f,
                                   5 * loop + half, 5 * loop + half + f, 7 * loop - f}) {
                SCOPED_TRACE(testing::Message()
                             << "blockAlign " << blockAlign << " L " << loop << " I " << intro);
                size_t bytes = intro + 3 * (size_t)loop;
                std::vector<int64_t> heard = play_on_model(intro, loop, blockAlign, bytes);
                ASSERT_EQ(bytes, heard.size());
                size_t wrong = 0, first = 0;
                for (size_t k = 0; k < bytes; k++) {
                    int64_t expected = k < intro ? k : intro + (k - intro) % loop;
                    if (heard[k] != expected && wrong++ == 0)
                        first = k;
                }
                EXPECT_EQ(0u, wrong) << "first at byte " << first;
            }
        }
    }
}

} // namespace
