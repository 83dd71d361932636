// Shrink, reduce and implode at the bit level: the cases the shared archives' encoder never
// produces (short matches, references before the member's start, self-overlapping reduce
// copies, a partial clear that frees nothing) and damaged streams.
#include <gtest/gtest.h>

#include "pexlin_test_util.h"
#include "zip_writer.h"

namespace
{

// A shrink stream: (code, bits) pairs.
Bytes shrink_stream(const std::vector<std::pair<int, int>> &codes)
{
    Bits b;
    for (auto &c : codes)
        b.put(c.first, c.second);
    return b.done();
}

Bytes unshrunk(const Bytes &stream, uint32_t declared)
{
    return run_member(stream, 1, declared).out;
}

// A reduce stream with empty follower sets, then plain bytes.
Bytes reduce_stream(const Bytes &bytes)
{
    Bits b;
    for (int i = 0; i < 256; i++)
        b.put(0, 6);
    for (uint8_t x : bytes)
        b.put(x, 8);
    return b.done();
}

// Implode trees in which every symbol has the same bit length: symbol s then has the code
// (count - 1 - s), first bit most significant.
void uniform_tree(Bits &b, int symbols, int bits)
{
    int bytes = symbols / 16;
    b.put(bytes - 1, 8);
    for (int i = 0; i < bytes; i++)
        b.put(bits - 1, 4).put(15, 4);
}

void tree_code(Bits &b, int symbols, int bits, int symbol)
{
    b.code(symbols - 1 - symbol, bits);
}

struct Implode {
    Bits b;
    bool literal_tree;
    int low_bits;
    explicit Implode(uint16_t flags) : literal_tree(flags & 4), low_bits(flags & 2 ? 7 : 6)
    {
        if (literal_tree)
            uniform_tree(b, 256, 8);
        uniform_tree(b, 64, 6); // lengths
        uniform_tree(b, 64, 6); // distances
    }
    Implode &literal(uint8_t c)
    {
        b.put(1, 1);
        if (literal_tree)
            tree_code(b, 256, 8, c);
        else
            b.put(c, 8);
        return *this;
    }
    Implode &match(uint32_t distance, int length_symbol, int extra = -1)
    {
        b.put(0, 1);
        b.put((distance - 1) & ((1u << low_bits) - 1), low_bits);
        tree_code(b, 64, 6, (int)((distance - 1) >> low_bits));
        tree_code(b, 64, 6, length_symbol);
        if (extra >= 0)
            b.put(extra, 8);
        return *this;
    }
};

} // namespace

TEST(Shrink, CodeDefinedByItsOwnUse)
{
    EXPECT_EQ(text_of("aaa"), unshrunk(shrink_stream({{97, 9}, {257, 9}}), 3));
}

TEST(Shrink, CodeSizeIncreases)
{
    EXPECT_EQ(text_of("ab"), unshrunk(shrink_stream({{97, 9}, {256, 9}, {1, 9}, {98, 10}}), 2));
    EXPECT_EQ(
        text_of("abc"),
        unshrunk(shrink_stream({{97, 9}, {256, 9}, {1, 9}, {98, 10}, {256, 10}, {1, 10}, {99, 11}}),
                 3));
}

TEST(Shrink, PartialClearFreesLeavesAndReusesTheLowest)
{
    // "abca" defines 257 "ab", 258 "bc", 259 "ca": all leaves, all freed; "d" then
    // defines the lowest free code, 257, as "a" + "d".
    Bytes s =
        shrink_stream({{97, 9}, {98, 9}, {99, 9}, {97, 9}, {256, 9}, {2, 9}, {100, 9}, {257, 9}});
    EXPECT_EQ(text_of("abcadad"), unshrunk(s, 7));
    // A prefix stays: codes a, b, 257, c, 258 define 257 "ab", 258 "ba", 259 "abc" and
    // 260 "cb".
    Bytes keep = shrink_stream(
        {{97, 9}, {98, 9}, {257, 9}, {99, 9}, {258, 9}, {256, 9}, {2, 9}, {100, 9}, {257, 9}});
    // The clear frees 258, 259 and 260 but keeps 257 (the prefix of 259), so after "d"
    // code 257 is still "ab".
    EXPECT_EQ(text_of("ababcbadab"), unshrunk(keep, 10));
}

TEST(Shrink, PartialClearThatFreesNothing)
{
    EXPECT_EQ(text_of("abab"),
              unshrunk(shrink_stream({{97, 9}, {256, 9}, {2, 9}, {98, 9}, {257, 9}}), 4));
}

TEST(Shrink, FullDictionaryKeepsDecoding)
{
    std::vector<std::pair<int, int>> codes(7936, {97, 9}); // 7935 new strings: all codes used
    for (int i = 0; i < 4; i++) {
        codes.push_back({256, 9 + i});
        codes.push_back({1, 9 + i});
    }
    codes.push_back({8191, 13}); // "aa"
    codes.push_back({97, 13});
    EXPECT_EQ(Bytes(7939, 'a'), unshrunk(shrink_stream(codes), 7939));
}

TEST(Shrink, BrokenStreamsEnd)
{
    // A code size past 13 bits ends the member.
    std::vector<std::pair<int, int>> codes = {{97, 9}};
    for (int i = 0; i < 6; i++) {
        codes.push_back({256, 9 + i});
        codes.push_back({1, 9 + i});
    }
    codes.push_back({98, 15});
    MemberRun run = run_member(shrink_stream(codes), 1, 2);
    EXPECT_EQ(StatusWarning, run.status);
    EXPECT_EQ(text_of("a"), run.out);
    // Noise: never more than the declared size, whatever the codes say.
    for (uint32_t seed = 1; seed < 200; seed++) {
        MemberRun r = run_member(noise(3000, seed), 1, 50000);
        ASSERT_LE(r.out.size(), 50000u);
    }
}

TEST(Reduce, EscapesAndCopies)
{
    EXPECT_EQ(Bytes(1, 144), run_member(reduce_stream({144, 0}), 2, 1).out);

    Bytes lead = ramp8(20, 1);
    Bytes s = lead;
    s.insert(s.end(), {144, 0x05, 0x10});
    Bytes expect = lead;
    for (int i = 0; i < 8; i++)
        expect.push_back(expect[expect.size() - 17]);
    EXPECT_EQ(expect, run_member(reduce_stream(s), 2, 28).out);

    Bytes many = ramp8(900, 0, 1);
    for (uint8_t &b : many)
        b = b == 144 ? 145 : b;
    s = many;
    s.insert(s.end(), {144, 0x3F, 0x02, 0x20}); // method 5: 15 + 2 + 3 = 20 bytes from 801
    expect = many;
    for (int i = 0; i < 20; i++)
        expect.push_back(expect[expect.size() - 801]);
    EXPECT_EQ(expect, run_member(reduce_stream(s), 5, 920).out);
}

TEST(Reduce, SelfRepeatingCopyAndCopyBeforeTheStart)
{
    EXPECT_EQ(Bytes(11, 'x'), run_member(reduce_stream({'x', 144, 0x07, 0x00}), 2, 11).out);
    Bytes zeros_then_a = Bytes(5, 0);
    zeros_then_a.push_back('a');
    EXPECT_EQ(zeros_then_a, run_member(reduce_stream({144, 0x02, 0x04, 'a'}), 2, 6).out);
}

TEST(Reduce, FollowerSetsAreReadFrom255Down)
{
    Bits b;
    b.put(1, 6).put('A', 8); // byte 255 has one follower, 'A'
    for (int i = 0; i < 255; i++)
        b.put(0, 6);
    b.put(0xFF, 8);        // last byte 0 has no followers: 8 plain bits
    b.put(0, 1).put(0, 1); // follower index 0 of byte 255's set
    EXPECT_EQ(Bytes({0xFF, 'A'}), run_member(b.done(), 3, 2).out);
}

TEST(Reduce, NoiseEndsCleanly)
{
    for (uint32_t seed = 1; seed < 100; seed++) {
        for (int method = 2; method <= 5; method++) {
            MemberRun r = run_member(noise(2000, seed), method, 40000);
            ASSERT_LE(r.out.size(), 40000u);
        }
    }
}

TEST(Implode, ShortestMatchesAndDictionaries)
{
    // No literal tree: shortest match 2, distances with 6 low bits (4 KB).
    Implode a(0);
    a.literal(0x41).match(1, 3).match(1, 0);
    EXPECT_EQ(Bytes(8, 0x41), run_member(a.b.done(), 6, 8, 0).out);
    // Literal tree, 8 KB: shortest match 3; length symbol 63 and 10 more: 76 bytes.
    Implode b(6);
    b.literal('q').literal('r').match(2, 63, 10);
    Bytes expect = text_of("qr");
    for (int i = 0; i < 76; i++)
        expect.push_back(expect[expect.size() - 2]);
    EXPECT_EQ(expect, run_member(b.b.done(), 6, 78, 6).out);
    // The largest distance of the 8 KB dictionary with a literal tree: 8192.
    Implode c(6);
    Bytes lead = noise(8192, 5);
    for (uint8_t x : lead)
        c.literal(x);
    c.match(8192, 0);
    expect = lead;
    expect.insert(expect.end(), lead.begin(), lead.begin() + 3);
    EXPECT_EQ(expect, run_member(c.b.done(), 6, 8195, 6).out);
}

TEST(Implode, DistanceBeforeTheStartReadsZeros)
{
    Implode a(2);
    a.match(300, 1).literal('z');
    Bytes expect(3, 0);
    expect.push_back('z');
    EXPECT_EQ(expect, run_member(a.b.done(), 6, 4, 2).out);
}

TEST(Implode, BrokenTreesEndTheMember)
{
    Bits over; // 5 x 16 lengths for a 64-symbol tree
    over.put(4, 8);
    for (int i = 0; i < 5; i++)
        over.put(5, 4).put(15, 4);
    over.put(0, 32);
    MemberRun run = run_member(over.done(), 6, 10, 0);
    EXPECT_EQ(StatusWarning, run.status);
    EXPECT_TRUE(run.out.empty());
    Bits under; // 16 of 64 symbols
    under.put(0, 8).put(5, 4).put(15, 4).put(0, 32);
    EXPECT_TRUE(run_member(under.done(), 6, 10, 0).out.empty());
    for (uint32_t seed = 1; seed < 200; seed++) {
        for (uint16_t flags : {0, 2, 4, 6}) {
            MemberRun r = run_member(noise(2000, seed), 6, 40000, flags);
            ASSERT_LE(r.out.size(), 40000u);
        }
    }
}
