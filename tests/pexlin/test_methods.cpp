// The methods other than deflate at the bit level (stored, shrink, reduce, implode), one case
// for each path the shared archives' encoders never take (a full dictionary without a clear,
// a partial clear that frees nothing, the shortest implode match, copies reaching before the
// member's start or overlapping themselves) and broken streams; and the CRC-32 every member
// is checked with. Damaged streams at large are the fuzz target's.
#include <gtest/gtest.h>

#include <iostream>

#include "crc32.h"
#include "crc32_clmul.h"
#include "pexlin_test_util.h"

namespace
{

// Bits written as (value, count) pairs, first pair first.
typedef std::vector<std::pair<uint32_t, int>> Fields;
Bytes bits(const Fields &fields)
{
    BitWriter b;
    for (auto &f : fields)
        b.put(f.first, f.second);
    return b.done();
}

// A reduce stream with empty follower sets, then plain bytes.
Bytes reduce_stream(const Bytes &bytes)
{
    Fields fields(256, {0, 6});
    for (uint8_t x : bytes)
        fields.push_back({x, 8});
    return bits(fields);
}

// An imploded stream without a literal tree (shortest match 2) whose length and distance
// trees give all 64 symbols 6 bits (symbol s has the code 63 - s, first bit most
// significant), and a match of it with `low_bits` distance bits (6 for 4 KB, 7 for 8 KB).
BitWriter implode_trees()
{
    BitWriter b;
    for (int k = 0; k < 10; k++)
        b.put(k % 5 ? 0xF5 : 3, 8); // 4 entries of 16 symbols, 6 bits each
    return b;
}
void implode_match(BitWriter &b, uint32_t distance, int length_symbol, int low_bits)
{
    b.put(0, 1).put((distance - 1) & ((1u << low_bits) - 1), low_bits);
    b.code(63 - ((distance - 1) >> low_bits), 6).code(63 - length_symbol, 6);
}

} // namespace

TEST(Crc32, AtEveryAlignmentAndLength)
{
    if (!crc32_clmul_available())
        std::cout << "this processor has no carry-less multiplication: tables only\n";
    // The tables alone (the only way on processors without carry-less multiplication), and
    // what crc32_bytes picks here: every start up to 20 and lengths through 8-byte steps or
    // 16-byte pieces, the four-piece folds, the byte-wise tail and the four table lanes.
    // Runs continued across calls are every round trip's.
    Bytes big = noise(40000, 13);
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
    }
}

TEST(Methods, HandBuiltStreams)
{
    Bytes window = noise(8192, 5);
    Fields full(7936, {97, 9}); // shrink: 7935 new strings, all codes used, no clear
    for (int i = 0; i < 4; i++)
        full.insert(full.end(), {{256, 9 + i}, {1, 9 + i}});
    full.insert(full.end(), {{8191, 13}, {97, 13}}); // "aa", then "a"
    Fields too_wide = {{97, 9}};
    for (int i = 0; i < 6; i++)
        too_wide.insert(too_wide.end(), {{256, 9 + i}, {1, 9 + i}});
    too_wide.push_back({98, 15});
    // Implode, 4 KB, no literal tree: 'A', then 3 and 2 bytes from 1 back (length symbols
    // 1 and 0).
    BitWriter shortest = implode_trees();
    shortest.put(1, 1).put('A', 8);
    implode_match(shortest, 1, 1, 6);
    implode_match(shortest, 1, 0, 6);
    // 8 KB: 3 bytes from 300 back, then 'z'.
    BitWriter before = implode_trees();
    implode_match(before, 300, 1, 7);
    before.put(1, 1).put('z', 8);
    // A tree of 5 x 16 lengths for 64 symbols, and one of 63 lengths before a good distance
    // tree and a literal, end the member.
    Bytes over = bits({{4, 8}, {0x5F, 8}, {0x5F, 8}, {0x5F, 8}, {0x5F, 8}, {0x5F, 8}, {0, 32}});
    Bytes under =
        bits({{3, 8}, {0xF5F5F5, 24}, {0xE5, 8}, {3, 8}, {0xF5F5F5F5, 32}, {1, 1}, {'A', 8}});
    struct {
        const char *what;
        Bytes stream;
        int method;
        uint16_t flags;
        uint32_t declared;
        Bytes expected;
        Status status; // with the expected bytes' CRC
    } cases[] = {
        {"exactly one window", window, 0, 0, 8192, window, StatusOk},
        // Declared beyond the bytes present: what is there, and a short member.
        {"short", ramp8(100), 0, 0, 300, ramp8(100), StatusWarning},
        {"unknown method opens the output", ramp8(10), 9, 0, 10, {}, StatusWarning},
        // Codes a, b, 257, c, 258 define 257 "ab", 258 "ba", 259 "abc" and 260 "cb"; the
        // partial clear frees the leaves 258, 259 and 260 but keeps 257 (the prefix of 259),
        // so after "d" code 257 is still "ab".
        {"partial clear keeps prefixes",
         bits(
             {{97, 9}, {98, 9}, {257, 9}, {99, 9}, {258, 9}, {256, 9}, {2, 9}, {100, 9}, {257, 9}}),
         1, 0, 10, text_of("ababcbadab"), StatusOk},
        {"partial clear that frees nothing", bits({{97, 9}, {256, 9}, {2, 9}, {98, 9}, {257, 9}}),
         1, 0, 4, text_of("abab"), StatusOk},
        {"full dictionary keeps decoding", bits(full), 1, 0, 7939, Bytes(7939, 'a'), StatusOk},
        {"a code size past 13 bits ends the member", bits(too_wide), 1, 0, 1, text_of("a"),
         StatusOk},
        {"... short of the declared size", bits(too_wide), 1, 0, 2, text_of("a"), StatusWarning},
        // Reduce (factor 1): 0x90, then the length - 3 in 7 bits (not 0: that escapes 0x90
        // itself) and the distance - 1.
        {"reduce copy overlapping itself", reduce_stream({'x', 144, 0x07, 0x00}), 2, 0, 11,
         Bytes(11, 'x'), StatusOk},
        {"reduce copy before the start reads zeros", reduce_stream({144, 0x02, 0x04, 'a'}), 2, 0, 6,
         joined({Bytes(5, 0), {'a'}}), StatusOk},
        {"implode shortest match 2", shortest.done(), 6, 0, 6, Bytes(6, 'A'), StatusOk},
        {"implode distance before the start reads zeros", before.done(), 6, 2, 4,
         joined({Bytes(3, 0), {'z'}}), StatusOk},
        {"over-subscribed implode tree", over, 6, 0, 10, {}, StatusWarning},
        {"incomplete implode tree", under, 6, 0, 10, {}, StatusWarning},
    };
    for (auto &c : cases) {
        MemberRun r = run(c.stream, c.method, c.declared, zip_crc32(c.expected), c.flags);
        EXPECT_EQ(c.status, r.status) << c.what;
        EXPECT_EQ(c.expected, r.out) << c.what;
    }
    // A wrong CRC is a warning, not a reason to drop the bytes.
    MemberRun r = run(ramp8(100), 0, 100, 1234);
    EXPECT_TRUE(r.status == StatusWarning && r.out == ramp8(100));
}
