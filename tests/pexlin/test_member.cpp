// The unzip engine: CRC-32 both ways, stored and unknown members, names. Its byte and bit
// readers are the member and archive tests'.
#include <gtest/gtest.h>
#include <zlib.h>

#include <iostream>

#include "crc32_clmul.h"
#include "pexlin_test_util.h"

// Both ways of taking the CRC: the tables alone, and what crc32_bytes picks for this
// processor (carry-less multiplication on runs of 64 bytes and more, where it exists).
struct CrcMethod {
    const char *name;
    uint32_t (*run)(uint32_t crc, const uint8_t *bytes, uint32_t count);
};
const CrcMethod CRC_METHODS[] = {{"tables", crc32_tables}, {"dispatched", crc32_bytes}};

TEST(Engine, Crc32AtEveryAlignmentAndLengthAndInPieces)
{
    if (!crc32_clmul_available())
        std::cout << "this processor has no carry-less multiplication: tables only\n";
    Bytes n = noise(700, 12);
    Bytes big = noise(40000, 13);
    uint32_t whole = (uint32_t)crc32(0, big.data(), (uInt)big.size());
    for (const CrcMethod &m : CRC_METHODS) {
        SCOPED_TRACE(m.name);
        // Whatever the start address and the length: 8-byte steps or 16-byte pieces, the
        // four-piece folds, and the byte-wise tail.
        for (uint32_t start = 0; start < 20; start++) {
            for (uint32_t len = 0; start + len <= 300; len++) {
                uint32_t want = (uint32_t)crc32(0, n.data() + start, len);
                ASSERT_EQ(want, m.run(0xFFFFFFFFu, n.data() + start, len) ^ 0xFFFFFFFFu)
                    << "start " << start << " length " << len;
            }
        }
        // Long runs: lengths around multiples of the four table lanes that are joined.
        for (uint32_t start = 0; start < 4; start++) {
            for (uint32_t len : {8191u, 8192u, 8193u, 16383u, 16384u, 16400u, 32768u, 39990u}) {
                uint32_t want = (uint32_t)crc32(0, big.data() + start, len);
                ASSERT_EQ(want, m.run(0xFFFFFFFFu, big.data() + start, len) ^ 0xFFFFFFFFu)
                    << "start " << start << " length " << len;
            }
        }
        // A run cut into two calls: the second starts from another register value.
        for (uint32_t cut = 0; cut <= big.size(); cut += (cut < 1000 ? 7 : 997)) {
            uint32_t c = m.run(0xFFFFFFFFu, big.data(), cut);
            c = m.run(c, big.data() + cut, (uint32_t)big.size() - cut);
            ASSERT_EQ(whole, c ^ 0xFFFFFFFFu) << "cut at " << cut;
        }
    }
}

TEST(Engine, StoredMembers)
{
    // Exactly one window: flushed once by put_byte, the final flush finds it empty.
    Bytes window = noise(WINDOW_SIZE, 5);
    MemberRun run = run_member(window, 0, WINDOW_SIZE, 0, zip_crc32(window));
    EXPECT_EQ(StatusOk, run.status);
    EXPECT_TRUE(run.out == window);
    // A declared size beyond the bytes present: what is there, and a warning.
    run = run_member(ramp8(100), 0, 300, 0, zip_crc32(ramp8(300)));
    EXPECT_EQ(StatusWarning, run.status);
    EXPECT_EQ(ramp8(100), run.out);
    // A wrong CRC is a warning, not a reason to drop the bytes.
    run = run_member(ramp8(100), 0, 100, 0, 1234);
    EXPECT_EQ(StatusWarning, run.status);
    EXPECT_EQ(ramp8(100), run.out);
}

TEST(Engine, UnknownMethodOpensTheOutputAndWarns)
{
    MemberRun run = run_member(ramp8(10), 9, 10);
    EXPECT_EQ(StatusWarning, run.status);
    EXPECT_TRUE(run.out.empty());
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

TEST(Names, ExtensionsAndTheList)
{
    EXPECT_STREQ("MOD", name_extension("SONG.MOD"));
    EXPECT_STREQ("NOEXT", name_extension("NOEXT"));
    EXPECT_STREQ("gz", name_extension("a.tar.gz"));
    EXPECT_TRUE(extension_in_list("UMX", EXTENSION_LIST)); // the last token counts too
    EXPECT_TRUE(extension_in_list("mod", EXTENSION_LIST));
    EXPECT_FALSE(extension_in_list("mo", EXTENSION_LIST));
    EXPECT_FALSE(extension_in_list("mods", EXTENSION_LIST));
    EXPECT_FALSE(extension_in_list("", EXTENSION_LIST));
    EXPECT_TRUE(is_text_extension("DiZ"));
    EXPECT_FALSE(is_text_extension("text"));
}
