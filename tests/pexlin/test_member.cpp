// Member extraction: the CRC-32 both ways, stored and unknown members, and the member names
// that choose where a member's bytes go.
#include <gtest/gtest.h>

#include <iostream>

#include "crc32.h"
#include "crc32_clmul.h"
#include "names.h"
#include "pexlin_test_util.h"

TEST(Crc32, AtEveryAlignmentAndLengthAndInPieces)
{
    if (!crc32_clmul_available())
        std::cout << "this processor has no carry-less multiplication: tables only\n";
    Bytes n = noise(700, 12), big = noise(40000, 13);
    uint32_t whole = (uint32_t)crc32(0, big.data(), (uInt)big.size());
    // The tables alone, and what crc32_bytes picks for this processor.
    for (auto method : {crc32_tables, crc32_bytes}) {
        // Whatever the start address and the length: 8-byte steps or 16-byte pieces, the
        // four-piece folds, the byte-wise tail; then lengths around the four table lanes.
        for (uint32_t start = 0; start < 20; start++) {
            for (uint32_t len = 0; start + len <= 300; len++) {
                ASSERT_EQ((uint32_t)crc32(0, n.data() + start, len),
                          method(0xFFFFFFFFu, n.data() + start, len) ^ 0xFFFFFFFFu)
                    << "start " << start << " length " << len;
            }
        }
        for (uint32_t len : {8191u, 8192u, 8193u, 16383u, 16384u, 16400u, 32768u, 39990u}) {
            ASSERT_EQ((uint32_t)crc32(0, big.data() + 3, len),
                      method(0xFFFFFFFFu, big.data() + 3, len) ^ 0xFFFFFFFFu)
                << "length " << len;
        }
        // A run cut into two calls: the second starts from another register value.
        for (uint32_t cut = 0; cut <= big.size(); cut += (cut < 1000 ? 7 : 997)) {
            uint32_t c = method(0xFFFFFFFFu, big.data(), cut);
            c = method(c, big.data() + cut, (uint32_t)big.size() - cut);
            ASSERT_EQ(whole, c ^ 0xFFFFFFFFu) << "cut at " << cut;
        }
    }
}

TEST(Member, StoredAndUnknownMethods)
{
    struct {
        const char *what;
        Bytes data;
        int method;
        uint32_t declared;
        int64_t crc;
        Status status;
        Bytes out;
    } cases[] = {
        // Flushed once by the window, the final flush finds it empty.
        {"exactly one window", noise(8192, 5), 0, 8192, zip_crc32(noise(8192, 5)), StatusOk,
         noise(8192, 5)},
        {"declared beyond the bytes present", ramp8(100), 0, 300, zip_crc32(ramp8(300)),
         StatusWarning, ramp8(100)},
        {"wrong CRC keeps the bytes", ramp8(100), 0, 100, 1234, StatusWarning, ramp8(100)},
        {"unknown method opens the output", ramp8(10), 9, 10, -1, StatusWarning, {}},
    };
    for (auto &c : cases) {
        MemberRun r = run(c.data, c.method, c.declared, c.crc);
        EXPECT_EQ(c.status, r.status) << c.what;
        EXPECT_TRUE(c.out == r.out) << c.what;
    }
}

TEST(Names, Mapping)
{
    struct Case {
        const char *stored;
        const char *mapped;
    } cases[] = {
        {"music/dir/SONG.MOD", "SONG.MOD"},
        {"dos\\path\\TUNE.S3M", "TUNE.S3M"},
        {"a:b.xm", "a_b.xm"},
        {"song.it;1", "song.it"},
        {"<tag>odd[1].mtm", "odd.mtm"},
        {"ctl\x01name.mod", "ctlname.mod"},
        {"esc\x16:colon.it", "esc:colon.it"},
        {"esc\x16/slash.it", "esc/slash.it"},
        {"two words.mod", "two words.mod"},
        {"dir/", ""},
        {"<unclosed.mod", ""},
        {"trailing\x16", "trailing"},
        {"\xE9t\xE9.mod", "\xE9t\xE9.mod"},
    };
    for (const Case &c : cases) {
        char out[PEXLIN_NAME_MAX + 1];
        EXPECT_EQ(strlen(c.mapped), map_name(c.stored, out)) << c.stored;
        EXPECT_STREQ(c.mapped, out) << c.stored;
    }
    std::string long_name(259, 'x');
    char out[PEXLIN_NAME_MAX + 1];
    EXPECT_EQ(255u, map_name(long_name.c_str(), out));
}
