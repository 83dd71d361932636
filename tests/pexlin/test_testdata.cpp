// Real archives: the shared test archives, made by independent encoders, with their
// expected contents. (Info-ZIP at work on the machine is the ZIP64 tests'.)
#include <gtest/gtest.h>

#include "names.h"
#include "pexlin_test_util.h"

namespace
{

// A central directory entry, as a reader of our own in the test sees it.
struct Entry {
    std::string name;
    uint16_t flags, method;
    uint32_t crc, compressed, uncompressed, data; // data: where the compressed bytes start
};

// The entries of an archive's central directory, in order (a damaged copy gives fewer
// entries, never a read outside the image).
std::vector<Entry> central_entries(const Bytes &zip)
{
    auto le16 = [&](size_t at) {
        return at + 2 <= zip.size() ? (uint32_t)(zip[at] | zip[at + 1] << 8) : 0u;
    };
    auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
    size_t end = zip.size() < 22 ? 0 : zip.size() - 22;
    while (end > 0 && le32(end) != 0x06054B50)
        end--;
    std::vector<Entry> all;
    size_t at = le32(end + 16);
    for (uint32_t i = 0; i < le16(end + 10) && at + 46 <= zip.size(); i++) {
        uint32_t name = le16(at + 28), local = le32(at + 42);
        if (at + 46 + name > zip.size())
            break;
        all.push_back({std::string(zip.begin() + at + 46, zip.begin() + at + 46 + name),
                       (uint16_t)le16(at + 8), (uint16_t)le16(at + 10), le32(at + 16),
                       le32(at + 20), le32(at + 24),
                       local + 30 + le16(local + 26) + le16(local + 28)});
        at += 46 + name + le16(at + 30) + le16(at + 32);
    }
    return all;
}

// File names under expected/: control bytes, '%' and '\' written as %XX.
std::string escaped(const std::string &name)
{
    std::string out;
    for (unsigned char c : name) {
        char hex[4];
        snprintf(hex, sizeof hex, "%%%02X", c);
        out += c < 0x20 || c == '%' || c == '\\' ? std::string(hex) : std::string(1, (char)c);
    }
    return out;
}

} // namespace

// Every member both ways: its data run through its decoder directly with the central
// directory's sizes and CRC, whatever the selection rules do with it, and the whole archive
// through the walk (selection, names, records).
TEST(SharedArchives, EveryMemberComesOutByteExact)
{
    int compared = 0;
    for (const char *stem :
         {"m0_stored", "m1_shrink_small", "m1_shrink_text", "m1_shrink_binary", "m2_reduce1",
          "m3_reduce2", "m4_reduce3", "m5_reduce4", "m6_implode_8k_lit", "m6_implode_8k_nolit",
          "m6_implode_4k_lit", "m6_implode_4k_nolit", "m8_deflate", "mixed_extensions",
          "names_paths", "iz_deflate_dirs_extra", "iz_deflate_streamed"}) {
        Bytes zip;
        ASSERT_NO_FATAL_FAILURE(read_testdata(std::string(stem) + ".zip", &zip));
        // The walk gives every member with a name (directories have none) under its mapped
        // name, but no "diz" behind another text member, and nothing when all are text.
        Contents records;
        bool any_module = false, text_seen = false;
        for (const Entry &e : central_entries(zip)) {
            char name[PEXLIN_NAME_MAX + 1];
            if (map_name(e.name.c_str(), name) == 0)
                continue;
            Bytes expected;
            ASSERT_NO_FATAL_FAILURE(
                read_testdata("expected/" + std::string(stem) + "/" + escaped(e.name), &expected));
            ASSERT_LE((size_t)e.data + e.compressed, zip.size()) << stem << " " << e.name;
            MemberRun m = run(zip, e.method, e.uncompressed, e.crc, e.flags, e.data, e.compressed);
            EXPECT_EQ(StatusOk, m.status) << stem << " " << e.name;
            EXPECT_TRUE(expected == m.out) << stem << " " << e.name;
            compared++;
            const char *ext = name_extension(name);
            bool text = is_text_extension(ext);
            if (text && text_seen && same_text_nocase(ext, "diz"))
                expected.assign(expected.size(), 0);
            any_module |= !text;
            text_seen |= text;
            records.push_back({name, expected});
        }
        EXPECT_EQ(any_module ? records : Contents(), contents(zip)) << stem;
    }
    EXPECT_GT(compared, 30);
}
