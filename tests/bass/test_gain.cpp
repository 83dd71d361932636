// Volume and pan applied in integers: the same bytes on every machine, and none changed
// at full volume and centre pan.
#include <gtest/gtest.h>

#include "gain.h"

namespace
{

struct GainCase {
    const char *what;
    bool eightBit, mono;
    int volume, pan;
    std::vector<uint8_t> in, out;
};

TEST(Gain, Table)
{
    const GainCase cases[] = {
        {"full volume, centre: untouched",
         false,
         false,
         1020,
         0,
         {0x00, 0x80, 0xFF, 0x7F},
         {0x00, 0x80, 0xFF, 0x7F}},
        {"half volume halves toward zero",
         false,
         false,
         510,
         0,
         {0x00, 0x80, 0x03, 0x00},
         {0x00, 0xC0, 0x01, 0x00}},
        {"pan right silences the left",
         false,
         false,
         1020,
         127,
         {0x00, 0x40, 0x00, 0x40},
         {0x00, 0x00, 0x00, 0x40}},
        {"pan left silences the right",
         false,
         false,
         1020,
         -127,
         {0x00, 0x40, 0x00, 0x40},
         {0x00, 0x40, 0x00, 0x00}},
        {"8-bit is unsigned around 128", true, false, 0, 0, {0x00, 0xFF}, {0x80, 0x80}},
        {"8-bit half volume", true, false, 510, 0, {0x00, 0xC0}, {0x40, 0xA0}},
        {"mono ignores pan", false, true, 1020, 127, {0x00, 0x40}, {0x00, 0x40}},
        {"out-of-range values are clamped",
         false,
         false,
         5000,
         -300,
         {0x00, 0x40, 0x00, 0x40},
         {0x00, 0x40, 0x00, 0x00}},
    };
    for (const GainCase &c : cases) {
        std::vector<uint8_t> pcm = c.in;
        apply_gain(pcm.data(), (uint32_t)pcm.size(), c.eightBit, c.mono, c.volume, c.pan);
        EXPECT_EQ(pcm, c.out) << c.what;
    }
}

} // namespace
