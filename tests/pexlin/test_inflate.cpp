// The deflate decoder: hand-made streams at the bit level, round trips against zlib's
// compressor, and damaged streams.
#include <gtest/gtest.h>
#include <zlib.h>

#include "pexlin_test_util.h"
#include "zip_writer.h"

namespace
{

// Data shapes for the round trips.
struct Shape {
    const char *name;
    Bytes data;
};

std::vector<Shape> shapes()
{
    Bytes repeated = noise(40000, 3); // repeats 40000 back: distances near the window size
    Bytes block = repeated;
    repeated.insert(repeated.end(), block.begin(), block.end());
    repeated.insert(repeated.end(), block.begin(), block.begin() + 20000);
    Bytes mixed = word_text(50000, 7);
    Bytes n2 = noise(30000, 9);
    mixed.insert(mixed.end(), n2.begin(), n2.end());
    Bytes t2 = word_text(70000, 7);
    mixed.insert(mixed.end(), t2.begin(), t2.end());
    return {{"empty", Bytes()},
            {"one_byte", Bytes(1, 0x61)},
            {"run_longer_than_window", Bytes(100000, 'x')},
            {"random", noise(200000, 1)},
            {"text", word_text(300000, 7)},
            {"far_repeats", repeated},
            {"mixed", mixed},
            {"ramp", ramp8(70000, 0, 3)}};
}

} // namespace

TEST(Inflate, StoredBlockAndItsLengthCheck)
{
    Bytes out;
    EXPECT_EQ(0, inflate_result({0x01, 0x03, 0x00, 0xFC, 0xFF, 0x61, 0x62, 0x63}, 3, &out));
    EXPECT_EQ(text_of("abc"), out);
    EXPECT_EQ(1, inflate_result({0x01, 0x03, 0x00, 0xFD, 0xFF, 0x61, 0x62, 0x63}, 3));
}

TEST(Inflate, FixedCodesLiteralAndSelfRepeatingCopy)
{
    Bytes out;
    EXPECT_EQ(0, inflate_result({0x4B, 0x04, 0x00}, 1, &out));
    EXPECT_EQ(Bytes(1, 0x61), out);
    EXPECT_EQ(0, inflate_result({0x4B, 0x4C, 0x84, 0x01, 0x00}, 10, &out));
    EXPECT_EQ(Bytes(10, 0x61), out);
}

TEST(Inflate, BlockTypeThreeIsBadFormat)
{
    EXPECT_EQ(2, inflate_result({0x07, 0x00}, 5));
    EXPECT_EQ(StatusBadFormat, run_member({0x07, 0x00}, 8, 5).status);
}

TEST(Inflate, InvalidDistancesInFixedBlocks)
{
    // Literal 'a', then a length-3 match with distance code 30 (no such distance).
    Bits code30;
    code30.put(1, 1).put(1, 2).code(0x30 + 'a', 8).code(1, 7).code(30, 5).code(0, 7);
    EXPECT_EQ(1, inflate_result(code30.done(), 4));
    // A distance reaching before the member's first byte.
    Bits far;
    far.put(1, 1).put(1, 2).code(0x30 + 'a', 8).code(1, 7).code(1, 5).code(0, 7);
    EXPECT_EQ(1, inflate_result(far.done(), 4));
    // Length codes 286 and 287 exist in the fixed code but mean nothing.
    Bits len286;
    len286.put(1, 1).put(1, 2).code(0x30 + 'a', 8).code(0xC0 + 6, 8).code(0, 5).code(0, 7);
    EXPECT_EQ(1, inflate_result(len286.done(), 4));
}

// A dynamic block header whose code-length code gives lengths `cl` (by symbol), HCLEN 16.
static Bits dynamic_header(int hlit, int hdist, const std::vector<std::pair<int, int>> &cl,
                           int hclen = 16)
{
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int lengths[19] = {0};
    for (auto &p : cl)
        lengths[p.first] = p.second;
    Bits b;
    b.put(1, 1).put(2, 2).put(hlit, 5).put(hdist, 5).put(hclen - 4, 4);
    for (int i = 0; i < hclen; i++)
        b.put(lengths[order[i]], 3);
    return b;
}

TEST(Inflate, CodeLengthCodeOverSubscribedOrIncomplete)
{
    // Three one-bit codes cannot exist; one two-bit code leaves the code space unfilled.
    EXPECT_EQ(2, inflate_result(dynamic_header(0, 0, {{0, 1}, {8, 1}, {18, 1}}).done(), 1));
    EXPECT_EQ(1, inflate_result(dynamic_header(0, 0, {{8, 2}}).done(), 1));
}

// Lit/len code where 'a' and end-of-block (or 'b') have the given lengths; one distance
// code of the given length. Code-length code: 18 -> "0", 0 -> "10", 1 -> "110", 2 -> "111".
static Bytes two_symbol_block(int second_symbol, int dist_len, const std::vector<int> &data_bits)
{
    Bits b = dynamic_header(0, 0, {{18, 1}, {0, 2}, {1, 3}, {2, 3}}, 18);
    auto length_code = [&](int len) {
        if (len == 0)
            b.code(2, 2);
        else
            b.code(len == 1 ? 6 : 7, 3);
    };
    auto zeros = [&](int n) {
        while (n >= 11) {
            int k = n > 138 ? 138 : n;
            if (n - k > 0 && n - k < 11)
                k = n - 11;
            b.code(0, 1).put(k - 11, 7);
            n -= k;
        }
        while (n-- > 0)
            length_code(0);
    };
    zeros('a');
    length_code(1);
    zeros(second_symbol - 'a' - 1);
    length_code(1);
    zeros(256 - second_symbol);
    // With a second symbol below 256 the end-of-block code gets no length at all.
    length_code(dist_len);
    for (int bit : data_bits)
        b.put(bit, 1);
    return b.done();
}

TEST(Inflate, EndlessStreamStopsWhereTheInputEnds)
{
    // 'a' is the code "0": once the input is used up, zero bits would decode to 'a'
    // forever. The decode ends at the input's end, far below the declared size.
    Bytes stream = two_symbol_block('b', 1, std::vector<int>(10, 0));
    MemberRun run = run_member(stream, 8, 1000000);
    EXPECT_EQ(StatusWarning, run.status);
    EXPECT_GE(run.out.size(), 10u);
    EXPECT_LT(run.out.size(), 20u);
    EXPECT_EQ(Bytes(run.out.size(), 'a'), run.out);
}

TEST(Inflate, OutputStopsAtTheDeclaredSize)
{
    Bytes stream = two_symbol_block('b', 1, std::vector<int>(4000, 0));
    MemberRun run = run_member(stream, 8, 100);
    EXPECT_EQ(Bytes(100, 'a'), run.out);
}

TEST(Inflate, LoneOneBitCodesAreAccepted)
{
    // 'a' = "0", end of block = "1", one distance code of one bit: a complete block.
    Bytes stream = two_symbol_block(256, 1, {0, 0, 0, 1});
    Bytes out;
    EXPECT_EQ(0, inflate_result(stream, 3, &out));
    EXPECT_EQ(text_of("aaa"), out);
}

TEST(Inflate, FixedTablesAreBuiltOncePerCall)
{
    Bytes one = deflate_fixed(text_of("first member, fixed codes"));
    Bytes two = deflate_fixed(text_of("second member"));
    Bytes both = one;
    both.insert(both.end(), two.begin(), two.end());
    UnzipState *s = state_create(both.data(), (uint32_t)both.size());
    s->extension_list = EXTENSION_LIST;
    strcpy(s->name, "a.mod");
    s->local.method = 8;
    seek_archive(s, 0);
    s->compressed_left = (int64_t)one.size();
    s->uncompressed_size = s->local.uncompressed_size = 25;
    s->local.crc32 = zip_crc32(text_of("first member, fixed codes"));
    EXPECT_EQ(StatusOk, extract_member(s));
    seek_archive(s, (int64_t)one.size());
    s->compressed_left = (int64_t)two.size();
    s->uncompressed_size = s->local.uncompressed_size = 13;
    s->local.crc32 = zip_crc32(text_of("second member"));
    EXPECT_EQ(StatusOk, extract_member(s));
    EXPECT_EQ(1u, s->fixed_builds);
    state_destroy(s);
}

TEST(Inflate, RoundTripsAgainstZlib)
{
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const Shape &shape : shapes()) {
        for (int level = 0; level <= 9; level += 3) {
            for (int strategy : strategies) {
                if (level == 0 && strategy != Z_DEFAULT_STRATEGY)
                    continue;
                Bytes packed = zlib_deflate(shape.data, level, strategy);
                MemberRun run =
                    run_member(packed, 8, (uint32_t)shape.data.size(), 0, zip_crc32(shape.data));
                ASSERT_EQ(StatusOk, run.status)
                    << shape.name << " level " << level << " strategy " << strategy;
                ASSERT_TRUE(run.out == shape.data) << shape.name << " level " << level;
            }
        }
    }
}

TEST(Inflate, OurFixedAndStoredEncodersRoundTrip)
{
    for (const Shape &shape : shapes()) {
        for (const Bytes &packed : {deflate_fixed(shape.data), deflate_stored(shape.data)}) {
            MemberRun run =
                run_member(packed, 8, (uint32_t)shape.data.size(), 0, zip_crc32(shape.data));
            ASSERT_EQ(StatusOk, run.status) << shape.name;
            ASSERT_TRUE(run.out == shape.data) << shape.name;
        }
    }
}

TEST(Inflate, TruncationAtEveryLengthEndsCleanly)
{
    Bytes data = word_text(6000, 7);
    Bytes packed = zlib_deflate(data, 9);
    for (size_t len = 0; len < packed.size(); len++) {
        Bytes cut(packed.begin(), packed.begin() + len);
        MemberRun run = run_member(cut, 8, (uint32_t)data.size(), 0, zip_crc32(data));
        ASSERT_LE(run.out.size(), data.size());
        if (run.status == StatusOk)
            ASSERT_TRUE(run.out == data) << "length " << len;
        else
            ASSERT_TRUE(std::equal(run.out.begin(), run.out.end(), data.begin()))
                << "output before the cut must be right, length " << len;
    }
}

TEST(Inflate, RandomCorruptionEndsCleanly)
{
    Bytes data = word_text(20000, 7);
    Bytes packed = zlib_deflate(data, 6);
    Bytes junk = noise(4000, 77);
    uint32_t x = 99;
    for (int round = 0; round < 400; round++) {
        Bytes bad = packed;
        for (int k = 0; k < 1 + round % 5; k++) {
            x = x * 1103515245u + 12345u;
            bad[(x >> 8) % bad.size()] ^= (uint8_t)(1 + (x >> 24) % 255);
        }
        MemberRun run = run_member(bad, 8, (uint32_t)data.size() * (1 + round % 3));
        ASSERT_LE(run.out.size(), data.size() * (1 + round % 3));
    }
    // Pure noise as a deflate stream, with a generous declared size.
    for (int round = 0; round < 50; round++) {
        Bytes bad(junk.begin() + round * 20, junk.end());
        MemberRun run = run_member(bad, 8, 5000000);
        ASSERT_LE(run.out.size(), 5000000u);
    }
}
