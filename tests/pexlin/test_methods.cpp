// The methods other than deflate at the bit level (stored, shrink, reduce, implode): the
// cases the shared archives' encoders never produce (short matches, references before the
// member's start, self-overlapping copies, a partial clear that frees nothing) and broken
// streams; and the CRC-32 every member is checked with. Damaged streams at large are the
// fuzz target's.
#include <gtest/gtest.h>

#include <iostream>

#include "crc32.h"
#include "crc32_clmul.h"
#include "pexlin_test_util.h"

namespace
{

// Bits written as (value, count) pairs, first pair first.
Bytes bits(const std::vector<std::pair<uint32_t, int>> &fields)
{
    BitWriter b;
    for (auto &f : fields)
        b.put(f.first, f.second);
    return b.done();
}

// A reduce stream with empty follower sets, then plain bytes.
Bytes reduce_stream(const Bytes &bytes)
{
    std::vector<std::pair<uint32_t, int>> fields(256, {0, 6});
    for (uint8_t x : bytes)
        fields.push_back({x, 8});
    return bits(fields);
}

// `lead`, then `count` bytes copied from `distance` back, one at a time.
Bytes with_copy(Bytes lead, size_t distance, size_t count)
{
    for (size_t i = 0; i < count; i++)
        lead.push_back(lead[lead.size() - distance]);
    return lead;
}

// An imploded stream whose trees give every symbol the same bit length (symbol s then has
// the code count - 1 - s, first bit most significant).
struct Implode {
    BitWriter b;
    bool literal_tree;
    int low_bits;
    explicit Implode(uint16_t flags) : literal_tree(flags & 4), low_bits(flags & 2 ? 7 : 6)
    {
        for (int symbols : {literal_tree ? 256 : 0, 64, 64}) { // literals, lengths, distances
            for (int i = 0; symbols && i <= symbols / 16; i++)
                i == 0 ? b.put(symbols / 16 - 1, 8) : b.put(symbols == 256 ? 7 : 5, 4).put(15, 4);
        }
    }
    Implode &literal(uint8_t c)
    {
        b.put(1, 1);
        literal_tree ? b.code(255 - c, 8) : b.put(c, 8);
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
    Status status = StatusOk; // with the expected bytes' CRC
};

void check(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        MemberRun r = run(c.stream, c.method, c.declared, zip_crc32(c.expected), c.flags);
        EXPECT_EQ(c.status, r.status) << c.what;
        EXPECT_EQ(c.expected, r.out) << c.what;
    }
}

} // namespace

TEST(Crc32, AtEveryAlignmentAndLengthAndInPieces)
{
    if (!crc32_clmul_available())
        std::cout << "this processor has no carry-less multiplication: tables only\n";
    Bytes big = noise(40000, 13);
    uint32_t whole = (uint32_t)crc32(0, big.data(), (uInt)big.size());
    // The tables alone, and what crc32_bytes picks for this processor: every start and
    // length up to 300 (8-byte steps or 16-byte pieces, the four-piece folds, the byte-wise
    // tail), lengths around the four table lanes, and a run cut into two calls.
    for (auto method : {crc32_tables, crc32_bytes}) {
        for (uint32_t start = 0; start < 20; start++) {
            for (uint32_t len :
                 {0u,   1u,   7u,    8u,    15u,   16u,    63u,    64u,    65u,    127u,  128u,
                  255u, 280u, 8191u, 8192u, 8193u, 16383u, 16384u, 16400u, 32768u, 39950u}) {
                ASSERT_EQ((uint32_t)crc32(0, big.data() + start, len),
                          method(0xFFFFFFFFu, big.data() + start, len) ^ 0xFFFFFFFFu)
                    << "start " << start << " length " << len;
            }
        }
        for (uint32_t cut = 0; cut <= big.size(); cut += (cut < 1000 ? 7 : 997)) {
            uint32_t c = method(0xFFFFFFFFu, big.data(), cut);
            ASSERT_EQ(whole, method(c, big.data() + cut, (uint32_t)big.size() - cut) ^ 0xFFFFFFFFu)
                << "cut at " << cut;
        }
    }
}

TEST(Methods, StoredAndUnknown)
{
    Bytes window = noise(8192, 5);
    check({{"exactly one window", window, 0, 0, 8192, window},
           // Declared beyond the bytes present: what is there, and a short member.
           {"short", ramp8(100), 0, 0, 300, ramp8(100), StatusWarning},
           {"unknown method opens the output", ramp8(10), 9, 0, 10, {}, StatusWarning}});
    // A wrong CRC is a warning, not a reason to drop the bytes.
    MemberRun r = run(ramp8(100), 0, 100, 1234);
    EXPECT_TRUE(r.status == StatusWarning && r.out == ramp8(100));
}

TEST(Methods, Shrink)
{
    std::vector<std::pair<uint32_t, int>> full(7936, {97, 9}); // 7935 new strings: all used
    for (int i = 0; i < 4; i++)
        full.insert(full.end(), {{256, 9 + i}, {1, 9 + i}});
    full.insert(full.end(), {{8191, 13}, {97, 13}}); // "aa", then "a"
    std::vector<std::pair<uint32_t, int>> too_wide = {{97, 9}};
    for (int i = 0; i < 6; i++)
        too_wide.insert(too_wide.end(), {{256, 9 + i}, {1, 9 + i}});
    too_wide.push_back({98, 15});
    check({
        {"a code defined by its own use", bits({{97, 9}, {257, 9}}), 1, 0, 3, text_of("aaa")},
        {"code size increase", bits({{97, 9}, {256, 9}, {1, 9}, {98, 10}}), 1, 0, 2, text_of("ab")},
        {"two increases", bits({{97, 9}, {256, 9}, {1, 9}, {98, 10}, {256, 10}, {1, 10}, {99, 11}}),
         1, 0, 3, text_of("abc")},
        // "abca" defines 257 "ab", 258 "bc", 259 "ca": all leaves, all freed; "d" then
        // defines the lowest free code, 257, as "a" + "d".
        {"partial clear frees leaves and reuses the lowest",
         bits({{97, 9}, {98, 9}, {99, 9}, {97, 9}, {256, 9}, {2, 9}, {100, 9}, {257, 9}}), 1, 0, 7,
         text_of("abcadad")},
        // Codes a, b, 257, c, 258 define 257 "ab", 258 "ba", 259 "abc" and 260 "cb"; the
        // clear frees 258, 259 and 260 but keeps 257 (the prefix of 259), so after "d"
        // code 257 is still "ab".
        {"partial clear keeps prefixes",
         bits(
             {{97, 9}, {98, 9}, {257, 9}, {99, 9}, {258, 9}, {256, 9}, {2, 9}, {100, 9}, {257, 9}}),
         1, 0, 10, text_of("ababcbadab")},
        {"partial clear that frees nothing", bits({{97, 9}, {256, 9}, {2, 9}, {98, 9}, {257, 9}}),
         1, 0, 4, text_of("abab")},
        {"full dictionary keeps decoding", bits(full), 1, 0, 7939, Bytes(7939, 'a')},
        {"a code size past 13 bits ends the member", bits(too_wide), 1, 0, 1, text_of("a")},
    });
    EXPECT_EQ(StatusWarning, run(bits(too_wide), 1, 2).status);
}

TEST(Methods, Reduce)
{
    Bytes lead = ramp8(20, 1), many = ramp8(900, 0, 1);
    for (uint8_t &b : many)
        b = b == 144 ? 145 : b;
    // Byte 255 has one follower, 'A'; the last byte 0 has none: 8 plain bits; then follower
    // index 0 of byte 255's set.
    std::vector<std::pair<uint32_t, int>> followers = {{1, 6}, {'A', 8}};
    followers.insert(followers.end(), 255, {0, 6});
    followers.insert(followers.end(), {{0xFF, 8}, {0, 1}, {0, 1}});
    check({
        {"escaped escape byte", reduce_stream({144, 0}), 2, 0, 1, Bytes(1, 144)},
        {"copy", reduce_stream(joined({lead, {144, 0x05, 0x10}})), 2, 0, 28,
         with_copy(lead, 17, 8)},
        // Method 5: 15 + 2 + 3 = 20 bytes from 801 back.
        {"long copy", reduce_stream(joined({many, {144, 0x3F, 0x02, 0x20}})), 5, 0, 920,
         with_copy(many, 801, 20)},
        {"self-repeating copy", reduce_stream({'x', 144, 0x07, 0x00}), 2, 0, 11, Bytes(11, 'x')},
        {"copy before the start reads zeros", reduce_stream({144, 0x02, 0x04, 'a'}), 2, 0, 6,
         joined({Bytes(5, 0), {'a'}})},
        {"follower sets read from 255 down", bits(followers), 3, 0, 2, Bytes({0xFF, 'A'})},
    });
}

TEST(Methods, Implode)
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
    // Trees of 5 x 16 and of 16 lengths for 64 symbols end the member.
    Bytes over = bits({{4, 8}, {0x5F, 8}, {0x5F, 8}, {0x5F, 8}, {0x5F, 8}, {0x5F, 8}, {0, 32}});
    Bytes under = bits({{0, 8}, {0x5F, 8}, {0, 32}});
    check({
        {"shortest match 2", a.b.done(), 6, 0, 8, Bytes(8, 0x41)},
        {"length symbol 63 and more", b.b.done(), 6, 6, 78, with_copy(text_of("qr"), 2, 76)},
        {"largest distance", c.b.done(), 6, 6, 8195, with_copy(lead, 8192, 3)},
        {"distance before the start reads zeros", d.b.done(), 6, 2, 4,
         joined({Bytes(3, 0), {'z'}})},
        {"over-subscribed tree", over, 6, 0, 10, {}, StatusWarning},
        {"incomplete tree", under, 6, 0, 10, {}, StatusWarning},
    });
}
