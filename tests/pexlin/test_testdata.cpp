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

std::string mapped(const std::string &stored)
{
    char out[PEXLIN_NAME_MAX + 1];
    map_name(stored.c_str(), out);
    return out;
}

} // namespace

// Every member both ways: through the archive walk (selection, names, records), and its
// data run through its decoder directly with the central directory's sizes and CRC,
// whatever the selection rules do with it.
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
        std::vector<Entry> entries = central_entries(zip);
        // Records come only when some member is not a text member.
        bool any_module = false;
        for (const Entry &e : entries)
            any_module |= !mapped(e.name).empty() &&
                          !is_text_extension(name_extension(mapped(e.name).c_str()));
        Contents records = contents(zip);
        size_t next = 0;
        for (const Entry &e : entries) {
            std::string name = mapped(e.name);
            if (name.empty())
                continue; // directories map to no name and get no record
            ASSERT_TRUE(!any_module || next < records.size()) << stem << " " << e.name;
            Bytes expected;
            ASSERT_NO_FATAL_FAILURE(
                read_testdata("expected/" + std::string(stem) + "/" + escaped(e.name), &expected));
            // A "diz" behind other text members is not decoded by the walk.
            if (any_module) {
                EXPECT_EQ(name, records[next].first) << stem;
                if (strcmp(name_extension(name.c_str()), "diz") != 0) {
                    EXPECT_TRUE(expected == records[next].second) << stem << " " << e.name;
                }
                next++;
            }
            ASSERT_LE((size_t)e.data + e.compressed, zip.size()) << stem << " " << e.name;
            MemberRun m =
                run_at(zip, e.data, e.method, e.uncompressed, e.crc, e.flags, e.compressed);
            EXPECT_EQ(StatusOk, m.status) << stem << " " << e.name;
            EXPECT_TRUE(expected == m.out) << stem << " " << e.name;
            compared++;
        }
        EXPECT_EQ(next, records.size()) << stem;
    }
    EXPECT_GT(compared, 30);
}
