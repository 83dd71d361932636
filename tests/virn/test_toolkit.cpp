// The loader toolkit: byte values that saturate, the limits of every entry, the linear
// frequency rule beyond its table (its values are the XM loader tests').
#include "module.h"

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
    struct {
        const char *what;
        uint8_t encoding, loopType, sustainType;
        uint32_t length, byteLength, loopStart, loopEnd, rate;
        // expected
        uint32_t outLength, outByteLength, outStart, outEnd, outRate;
    } cases[] = {
        {"within limits", 0, 1, 4, 1000, 1000, 10, 900, 8363, 1000, 1000, 10, 900, 8363},
        {"loop past the end", 0, 1, 4, 1000, 1000, 10, 5000, 8363, 1000, 1000, 10, 1000, 8363},
        {"ping-pong past the end", 0, 2, 4, 1000, 1000, 2000, 5000, 8363, 1000, 1000, 1000, 1000,
         8363},
        {"no loop: points as stored", 0, 0, 4, 1000, 1000, 10, 65535, 8363, 1000, 1000, 10, 65535,
         8363},
        {"rate 0", 0, 0, 4, 10, 10, 0, 0, 0, 10, 10, 0, 0, VIRN_MIN_RATE},
        {"rate too high", 12, 0, 4, 10, 40, 0, 0, 0xFFFFFFFFu, 10, 40, 0, 0, VIRN_MAX_RATE},
        {"huge 16-bit", 20, 1, 4, 0x7FFFFFFFu, 0xFFFFFFFEu, 0, 0xFFFFFFFEu, 44100,
         VIRN_MAX_BYTE_LENGTH / 2, VIRN_MAX_BYTE_LENGTH, 0, VIRN_MAX_BYTE_LENGTH, 44100},
        {"huge 8-bit", 0, 0, 4, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0, 44100, VIRN_MAX_BYTE_LENGTH,
         VIRN_MAX_BYTE_LENGTH, 0, 0, 44100},
    };
    for (auto &c : cases) {
        CatalogEntry e = {};
        e.encoding = c.encoding;
        e.loopType = c.loopType;
        e.sustainType = c.sustainType;
        e.length = c.length;
        e.info.byteLength = c.byteLength;
        e.info.loopStart = c.loopStart;
        e.info.loopEnd = c.loopEnd;
        e.rate = c.rate;
        bound_entry(&e);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(e.length, c.outLength);
        EXPECT_EQ(e.info.byteLength, c.outByteLength);
        EXPECT_EQ(e.info.loopStart, c.outStart);
        EXPECT_EQ(e.info.loopEnd, c.outEnd);
        EXPECT_EQ(e.rate, c.outRate);
        EXPECT_EQ(e.loopType, c.loopType); // the kind stays
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
