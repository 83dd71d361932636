// Shrink, reduce and implode at the bit level: the cases the shared archives' encoder never
// produces (short matches, references before the member's start, self-overlapping reduce
// copies, a partial clear that frees nothing) and broken streams. Damaged streams at
// large are the fuzz target's.
#include <gtest/gtest.h>

#include "pexlin_test_util.h"

namespace
{

// A shrink stream: (code, bits) pairs.
Bytes shrink_stream(const std::vector<std::pair<int, int>> &codes)
{
    BitWriter b;
    for (auto &c : codes)
        b.put(c.first, c.second);
    return b.done();
}

// A reduce stream with empty follower sets, then plain bytes.
Bytes reduce_stream(const Bytes &bytes)
{
    BitWriter b;
    for (int i = 0; i < 256; i++)
        b.put(0, 6);
    for (uint8_t x : bytes)
        b.put(x, 8);
    return b.done();
}

// `lead`, then `count` bytes copied from `distance` back, one at a time.
Bytes with_copy(Bytes lead, size_t distance, size_t count)
{
    for (size_t i = 0; i < count; i++)
        lead.push_back(lead[lead.size() - distance]);
    return lead;
}

// Implode trees in which every symbol has the same bit length: symbol s then has the code
// (count - 1 - s), first bit most significant.
void uniform_tree(BitWriter &b, int symbols, int bits)
{
    b.put(symbols / 16 - 1, 8);
    for (int i = 0; i < symbols / 16; i++)
        b.put(bits - 1, 4).put(15, 4);
}

struct Implode {
    BitWriter b;
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
            b.code(255 - c, 8);
        else
            b.put(c, 8);
        return *this;
    }
    Implode &match(uint32_t distance, int length_symbol, int extra = -1)
    {
        b.put(0, 1).put((distance - 1) & ((1u << low_bits) - 1), low_bits);
        b.code(63 - ((distance - 1) >> low_bits), 6).code(63 - length_symbol, 6);
        if (extra >= 0)
            b.put(extra, 8);
        return *this;
    }
};

struct Case {
    const char *what;
    Bytes stream;
    int method;
    uint16_t flags;
    uint32_t declared;
    Bytes expected;
};

void check(const Case &c)
{
    EXPECT_EQ(c.expected, run(c.stream, c.method, c.declared, -1, c.flags).out) << c.what;
}

} // namespace

TEST(Shrink, Codes)
{
    std::vector<std::pair<int, int>> full(7936, {97, 9}); // 7935 new strings: all codes used
    for (int i = 0; i < 4; i++)
        full.insert(full.end(), {{256, 9 + i}, {1, 9 + i}});
    full.insert(full.end(), {{8191, 13}, {97, 13}}); // "aa", then "a"
    const Case cases[] = {
        {"a code defined by its own use", shrink_stream({{97, 9}, {257, 9}}), 1, 0, 3,
         text_of("aaa")},
        {"code size increase", shrink_stream({{97, 9}, {256, 9}, {1, 9}, {98, 10}}), 1, 0, 2,
         text_of("ab")},
        {"two increases",
         shrink_stream({{97, 9}, {256, 9}, {1, 9}, {98, 10}, {256, 10}, {1, 10}, {99, 11}}), 1, 0,
         3, text_of("abc")},
        // "abca" defines 257 "ab", 258 "bc", 259 "ca": all leaves, all freed; "d" then
        // defines the lowest free code, 257, as "a" + "d".
        {"partial clear frees leaves and reuses the lowest",
         shrink_stream({{97, 9}, {98, 9}, {99, 9}, {97, 9}, {256, 9}, {2, 9}, {100, 9}, {257, 9}}),
         1, 0, 7, text_of("abcadad")},
        // Codes a, b, 257, c, 258 define 257 "ab", 258 "ba", 259 "abc" and 260 "cb"; the
        // clear frees 258, 259 and 260 but keeps 257 (the prefix of 259), so after "d"
        // code 257 is still "ab".
        {"partial clear keeps prefixes",
         shrink_stream(
             {{97, 9}, {98, 9}, {257, 9}, {99, 9}, {258, 9}, {256, 9}, {2, 9}, {100, 9}, {257, 9}}),
         1, 0, 10, text_of("ababcbadab")},
        {"partial clear that frees nothing",
         shrink_stream({{97, 9}, {256, 9}, {2, 9}, {98, 9}, {257, 9}}), 1, 0, 4, text_of("abab")},
        {"full dictionary keeps decoding", shrink_stream(full), 1, 0, 7939, Bytes(7939, 'a')},
    };
    for (const Case &c : cases)
        check(c);

    // A code size past 13 bits ends the member.
    std::vector<std::pair<int, int>> codes = {{97, 9}};
    for (int i = 0; i < 6; i++)
        codes.insert(codes.end(), {{256, 9 + i}, {1, 9 + i}});
    codes.push_back({98, 15});
    MemberRun r = run(shrink_stream(codes), 1, 2);
    EXPECT_EQ(StatusWarning, r.status);
    EXPECT_EQ(text_of("a"), r.out);
}

TEST(Reduce, EscapesCopiesAndFollowerSets)
{
    Bytes lead = ramp8(20, 1), many = ramp8(900, 0, 1);
    for (uint8_t &b : many)
        b = b == 144 ? 145 : b;
    BitWriter followers;
    followers.put(1, 6).put('A', 8); // byte 255 has one follower, 'A'
    for (int i = 0; i < 255; i++)
        followers.put(0, 6);
    followers.put(0xFF, 8);        // last byte 0 has no followers: 8 plain bits
    followers.put(0, 1).put(0, 1); // follower index 0 of byte 255's set
    const Case cases[] = {
        {"escaped escape byte", reduce_stream({144, 0}), 2, 0, 1, Bytes(1, 144)},
        {"copy", reduce_stream(joined({lead, {144, 0x05, 0x10}})), 2, 0, 28,
         with_copy(lead, 17, 8)},
        // Method 5: 15 + 2 + 3 = 20 bytes from 801 back.
        {"long copy", reduce_stream(joined({many, {144, 0x3F, 0x02, 0x20}})), 5, 0, 920,
         with_copy(many, 801, 20)},
        {"self-repeating copy", reduce_stream({'x', 144, 0x07, 0x00}), 2, 0, 11, Bytes(11, 'x')},
        {"copy before the start reads zeros", reduce_stream({144, 0x02, 0x04, 'a'}), 2, 0, 6,
         joined({Bytes(5, 0), {'a'}})},
        {"follower sets read from 255 down", followers.done(), 3, 0, 2, Bytes({0xFF, 'A'})},
    };
    for (const Case &c : cases)
        check(c);
}

TEST(Implode, MatchesDictionariesAndTrees)
{
    // No literal tree: shortest match 2, distances with 6 low bits (4 KB).
    Implode a(0);
    a.literal(0x41).match(1, 3).match(1, 0);
    // Literal tree, 8 KB: shortest match 3; length symbol 63 and 10 more: 76 bytes.
    Implode b(6);
    b.literal('q').literal('r').match(2, 63, 10);
    // The largest distance of the 8 KB dictionary with a literal tree: 8192.
    Implode c(6);
    Bytes lead = noise(8192, 5);
    for (uint8_t x : lead)
        c.literal(x);
    c.match(8192, 0);
    Implode d(2);
    d.match(300, 1).literal('z');
    BitWriter over; // 5 x 16 lengths for a 64-symbol tree
    over.put(4, 8);
    for (int i = 0; i < 5; i++)
        over.put(5, 4).put(15, 4);
    over.put(0, 32);
    BitWriter under; // 16 of 64 symbols
    under.put(0, 8).put(5, 4).put(15, 4).put(0, 32);
    const Case cases[] = {
        {"shortest match 2", a.b.done(), 6, 0, 8, Bytes(8, 0x41)},
        {"length symbol 63 and more", b.b.done(), 6, 6, 78, with_copy(text_of("qr"), 2, 76)},
        {"largest distance", c.b.done(), 6, 6, 8195, with_copy(lead, 8192, 3)},
        {"distance before the start reads zeros", d.b.done(), 6, 2, 4,
         joined({Bytes(3, 0), {'z'}})},
        {"over-subscribed tree", over.done(), 6, 0, 10, {}},
        {"incomplete tree", under.done(), 6, 0, 10, {}},
    };
    for (const Case &k : cases)
        check(k);
    EXPECT_EQ(StatusWarning, run(over.done(), 6, 10).status);
}
