// Volume and pan applied in integers: the same bytes on every machine, and none changed
// at full volume and centre pan.
#include <gtest/gtest.h>

#include "gain.h"

TEST(Gain, Table)
{
    struct {
        bool eightBit, mono;
        int volume, pan;
        std::vector<uint8_t> in, out;
    } cases[] = {
        {false, false, 1020, 0, {0x00, 0x80, 0xFF, 0x7F}, {0x00, 0x80, 0xFF, 0x7F}},    // untouched
        {false, false, 510, 0, {0x00, 0x80, 0x03, 0x00}, {0x00, 0xC0, 0x01, 0x00}},     // toward 0
        {false, false, 1020, 127, {0x00, 0x40, 0x00, 0x40}, {0x00, 0x00, 0x00, 0x40}},  // right
        {false, false, 1020, -127, {0x00, 0x40, 0x00, 0x40}, {0x00, 0x40, 0x00, 0x00}}, // left
        {true, false, 0, 0, {0x00, 0xFF}, {0x80, 0x80}},      // 8-bit is unsigned around 128
        {true, false, 510, 0, {0x00, 0xC0}, {0x40, 0xA0}},    // 8-bit half volume
        {false, true, 1020, 127, {0x00, 0x40}, {0x00, 0x40}}, // mono ignores pan
        {false, false, 5000, -300, {0x00, 0x40, 0x00, 0x40}, {0x00, 0x40, 0x00, 0x00}}, // clamped
    };
    for (auto &c : cases) {
        std::vector<uint8_t> pcm = c.in;
        apply_gain(pcm.data(), (uint32_t)pcm.size(), c.eightBit, c.mono, c.volume, c.pan);
        EXPECT_EQ(pcm, c.out) << c.volume << " " << c.pan;
    }
}
