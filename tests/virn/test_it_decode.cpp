// The IT sample decoders: the width-change rules bit by bit, and round trips through
// our own compressor.
#include "it_decode.h"
#include "it_writer.h"

#include <gtest/gtest.h>

// Decodes `count` values (8- or 16-bit) from an exact-size copy of the stream, so that
// the sanitizers catch any read past it; guard bytes behind the output must stay.
static Bytes decode(bool wide, const Bytes &stream, uint32_t count, bool secondOrder,
                    uint32_t bound = 0xFFFFFFFFu)
{
    size_t size = wide ? 2 * count : count;
    Bytes out(size + 4, 0xEE), exact(stream);
    (wide ? it_decode16 : it_decode8)(out.data(), count, exact.data(), bound,
                                      (uint32_t)exact.size(), secondOrder);
    for (size_t i = size; i < out.size(); i++)
        EXPECT_EQ(out[i], 0xEE) << "wrote past the count";
    out.resize(size);
    return out;
}

// One block of the given (value, width) pairs.
static Bytes block(std::initializer_list<std::pair<uint32_t, uint32_t>> bits)
{
    BitWriter w;
    for (auto &b : bits)
        w.put(b.first, b.second);
    Bytes stream;
    it_append_block(stream, w);
    return stream;
}

TEST(ItDecode, WidthChangesBitByBit)
{
    enum Mode { B8, B8Second, B16 }; // 8-bit values, the 2.15 variant, 16-bit values
    struct {
        const char *what;
        Mode mode;
        Bytes stream;
        Bytes out;
    } cases[] = {
        {"single integration", B8, block({{3, 9}, {253, 9}}), {3, 0}},
        {"double integration", B8Second, block({{3, 9}, {253, 9}}), {3, 3}},
        // 263 at width 9 changes to width 8 and produces nothing; 0xFF at width 8 is -1.
        {"top width to 8", B8, block({{263, 9}, {5, 8}, {0xFF, 8}}), {5, 4}},
        // 256 changes to width 1, where only 0 is a value.
        {"top width to 1", B8, block({{7, 9}, {256, 9}, {0, 1}, {0, 1}}), {7, 7, 7}},
        // From width 8, 124..131 announce the widths 1..7 and 9; then one value at the new
        // width: all ones, -1 where sign-extended (at width 1 a 0: one bit is the marker).
        {"band to width 1", B8, block({{263, 9}, {124, 8}, {0, 1}}), {0}},
        {"band to width 7", B8, block({{263, 9}, {130, 8}, {127, 7}}), {0xFF}},
        {"band to width 9", B8, block({{263, 9}, {131, 8}, {200, 9}}), {200}},
        {"123 and 132 are values", B8, block({{263, 9}, {123, 8}, {132, 8}}), {123, 255}},
        // To width 3 (263 -> 8, 126 -> 3), then 4 is the marker and 2 means h = 3, which
        // is not below 3: the new width is 4. Then -8+1 = -7 at width 4 (9) and 7 (0111).
        {"marker, h not below",
         B8,
         block({{263, 9}, {126, 8}, {3, 3}, {4, 3}, {2, 3}, {9, 4}, {7, 4}}),
         {3, 252, 3}},
        // h below the current width is taken as it is: marker, then 0 gives width 1.
        {"marker, h below", B8, block({{263, 9}, {126, 8}, {4, 3}, {0, 3}, {0, 1}}), {0}},
        // 65535 + 8 at width 17 gives width 8, where the band is (65535 >> 9) - 8 = 119
        // plus 1 to 16: 100 is a value, 136 a value sign-extended to -120, 135 announces
        // 16, which is not below 8: width 17.
        {"16-bit band at width 8", B16,
         block({{65535 + 8, 17}, {100, 8}, {136, 8}, {135, 8}, {40000, 17}}),
         le16s({100, -20, 40000 - 20})},
        // At width 16 the band is 32760..32775; 32759 and 32776 are values. 32760 gives
        // width 1, whose marker is followed by 4 bits: 3 means h = 4, so width 5.
        {"16-bit band at width 16", B16,
         block(
             {{65535 + 16, 17}, {32759, 16}, {32776, 16}, {32760, 16}, {1, 1}, {3, 4}, {0x1F, 5}}),
         le16s({32759, -1, -2})},
        // 256 + 20 asks for width 21: a position is skipped (left as it was) while its 21
        // bits are consumed.
        {"width 21", B8, block({{5, 9}, {276, 9}, {0x1FFFFF, 21}}), {5, 0xEE}},
    };
    for (auto &c : cases) {
        uint32_t count = (uint32_t)c.out.size() / (c.mode == B16 ? 2 : 1);
        EXPECT_EQ(decode(c.mode == B16, c.stream, count, c.mode == B8Second), c.out) << c.what;
    }
}

// Test signals of n signed values (8-bit values, or 16-bit ones little-endian): silence,
// a slow ramp, a quiet and a loud sine, noise, and a full-scale square with bursts.
static Bytes signal(int kind, size_t n, bool wide)
{
    Bytes b;
    int32_t top = wide ? 32767 : 127;
    uint32_t x = 99;
    for (size_t i = 0; i < n; i++) {
        x = x * 1103515245u + 12345u;
        int32_t v = 0;
        if (kind == 1)
            v = (int32_t)(i / 3 % (size_t)(2 * top)) - top;
        else if (kind == 2 || kind == 3)
            v = int_sine(i, kind == 2 ? 57 : 25, kind == 2 ? top / 16 : top);
        else if (kind == 4)
            v = (int32_t)(x >> 8) % (top + 1);
        else if (kind == 5)
            v = i % 501 < 20 ? (int32_t)(i % 7) - 3 : (i / 37) % 2 ? top : -top - 1;
        pack_le(b, wide ? "H" : "B", {(uint16_t)v});
    }
    return b;
}

// Every signal, width and variant at lengths around the block size and one random
// length up to two blocks and more. Whole, a stream decodes back to the signal; cut at
// a random byte, it decodes a prefix of it and stops, wherever the cut falls (a block
// header, inside a value, the last few bytes where no whole word can be loaded).
TEST(ItCompression, RoundTripsWholeAndCut)
{
    uint32_t seed = 2024;
    auto next = [&seed](size_t n) {
        seed = seed * 1103515245u + 12345u;
        return (size_t)((seed >> 8) % n);
    };
    for (bool wide : {false, true}) {
        size_t block = wide ? 16384 : 32768;
        for (bool secondOrder : {false, true}) {
            for (int kind = 0; kind < 6; kind++) {
                for (size_t n : {(size_t)1, (size_t)7, block - 1, block, block + 1,
                                 1 + next(2 * block + 300)}) {
                    if (n >= block - 1 && n <= block + 1 && kind % 2 == 0 && n != block + 1)
                        continue; // keep the run short: all lengths for half the signals
                    Bytes pcm = signal(kind, n, wide);
                    Bytes stream = (wide ? it_compress16 : it_compress8)(pcm, secondOrder);
                    // The decoders are given the bound the library passes: the
                    // decoded size, even where the stream is longer (noise).
                    uint32_t bound = (uint32_t)pcm.size();
                    SCOPED_TRACE(testing::Message() << "wide " << wide << " 2.15 " << secondOrder
                                                    << " kind " << kind << " n " << n);
                    ASSERT_EQ(decode(wide, stream, (uint32_t)n, secondOrder, bound), pcm);
                    Bytes cut(stream.begin(), stream.begin() + (long)next(stream.size() + 1));
                    Bytes out = decode(wide, cut, (uint32_t)n, secondOrder, bound);
                    size_t i = 0;
                    while (i < out.size() && out[i] == pcm[i])
                        i++;
                    for (i -= i % (wide ? 2 : 1); i < out.size(); i++)
                        ASSERT_EQ(out[i], 0xEE) << "cut at " << cut.size();
                }
            }
        }
    }
}
