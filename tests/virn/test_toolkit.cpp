// The loader toolkit: byte values that saturate, the limits of every entry, the linear
// frequency rule beyond its table (its values are the XM loader tests').
#include "loaded_module.h"
#include "loader_toolkit.h"

#include <gtest/gtest.h>

TEST(FinishEntry, ByteValuesSaturateInsteadOfWrapping)
{
    // A 16-bit stereo loop of 0x50000000 frames is 0x140000000 bytes: it must not come
    // out as 0x40000000.
    CatalogEntry e = {};
    e.encoding = 12;
    e.length = 0x50000000u;
    e.info.loopStart = 0x10u;
    e.info.loopEnd = 0x50000000u;
    finish_entry(&e, 1);
    EXPECT_EQ(e.info.byteLength, 0xFFFFFFFFu);
    EXPECT_EQ(e.info.loopStart, 0x40u);
    EXPECT_EQ(e.info.loopEnd, 0xFFFFFFFFu);
}

TEST(BoundEntry, LimitsEveryCallerRelyOn)
{
    // The largest byte length is 0xFFFFFE00, the largest rate 0x3FFFFFFF; the loop kind
    // stays whatever happens to its points.
    struct {
        uint8_t encoding, loopType;
        uint32_t length, byteLength, loopStart, loopEnd, rate;
        const char *entry;
    } cases[] = {
        {0, 1, 1000, 1000, 10, 900, 8363, "length 1000, bytes 1000, loop 1:10-900, rate 8363"},
        {0, 1, 1000, 1000, 10, 5000, 8363, "length 1000, loop 1:10-1000"}, // past the end
        {0, 2, 1000, 1000, 2000, 5000, 8363, "length 1000, loop 2:1000-1000"},
        {0, 0, 1000, 1000, 10, 65535, 8363, "loop 0:10-65535"}, // no loop: points as stored
        {0, 0, 10, 10, 0, 0, 0, "rate 1"},
        {12, 0, 10, 40, 0, 0, 0xFFFFFFFFu, "bytes 40, rate 1073741823"},
        {20, 1, 0x7FFFFFFFu, 0xFFFFFFFEu, 0, 0xFFFFFFFEu, 44100,
         "length 2147483392, bytes 4294966784, loop 1:0-4294966784, rate 44100"}, // huge 16-bit
        {0, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, 44100, "length 4294966784, bytes 4294966784"},
    };
    for (auto &c : cases) {
        CatalogEntry e = {};
        e.encoding = c.encoding;
        e.loopType = c.loopType;
        e.sustainType = 4;
        e.length = c.length;
        e.info.byteLength = c.byteLength;
        e.info.loopStart = c.loopStart;
        e.info.loopEnd = c.loopEnd;
        e.rate = c.rate;
        bound_entry(&e);
        EXPECT_TRUE(entry_is(e, c.entry));
        // What the grabber and player add to a sample buffer cannot wrap.
        EXPECT_GE(e.info.byteLength + 300u, e.info.byteLength);
        EXPECT_LE((uint64_t)e.rate * 4, 0xFFFFFFFFu);
    }
}

TEST(NoteRate, OutsideTheEightOctavesStaysSane)
{
    // Relative notes +48 and beyond keep doubling per octave.
    EXPECT_EQ(note_rate(48 + 48, 128), 2 * note_rate(48 + 36, 128));
    EXPECT_EQ(note_rate(48 + 60, 128), 2 * note_rate(48 + 48, 128));
    // Below the table (x < 0) and far above it: at least 1 Hz, no overflow.
    EXPECT_GE(note_rate(0, 0), 1u);
    EXPECT_LE(note_rate(0, 0), 1100u);
    EXPECT_GE(note_rate(255, 65535), note_rate(200, 128));
    EXPECT_LE(note_rate(255, 65535), 0xFFFFFFFFu / 4);
    // Rising notes never give falling rates.
    uint32_t last = 0;
    for (uint32_t note = 0; note < 256; note++) {
        uint32_t r = note_rate(note, 128);
        EXPECT_GE(r, last) << note;
        last = r;
    }
}
