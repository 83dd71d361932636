// Real archives: the shared test archives, made by independent encoders, with their
// expected contents. (Info-ZIP at work on the machine is the ZIP64 tests'.)
#include <gtest/gtest.h>

#include "pexlin_test_util.h"
#include "names.h"
#include "testdata_file.h"

namespace
{

struct CentralName {
    std::string name;
    uint16_t method;
    uint16_t flags;
    uint32_t crc, compressed, uncompressed, local_offset;
};

// The stored names of an archive's central directory, in order (a test-side reader; a
// damaged copy of the data gives fewer names, never a read outside the image).
std::vector<CentralName> central_names(const Bytes &zip)
{
    std::vector<CentralName> names;
    if (zip.size() < 22)
        return names;
    size_t end = zip.size() - 22;
    while (end > 0 &&
           !(zip[end] == 'P' && zip[end + 1] == 'K' && zip[end + 2] == 5 && zip[end + 3] == 6))
        end--;
    auto le16 = [&](size_t at) {
        return at + 2 <= zip.size() ? (uint32_t)(zip[at] | zip[at + 1] << 8) : 0u;
    };
    auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
    uint32_t count = le16(end + 10);
    size_t at = le32(end + 16);
    for (uint32_t i = 0; i < count && at + 46 <= zip.size(); i++) {
        uint32_t name_len = le16(at + 28), extra = le16(at + 30), comment = le16(at + 32);
        if (at + 46 + name_len > zip.size())
            break;
        names.push_back({std::string(zip.begin() + at + 46, zip.begin() + at + 46 + name_len),
                         (uint16_t)le16(at + 10), (uint16_t)le16(at + 8), le32(at + 16),
                         le32(at + 20), le32(at + 24), le32(at + 42)});
        at += 46 + name_len + extra + comment;
    }
    return names;
}

// File names under expected/: control bytes, '%' and '\' written as %XX.
std::string escaped(const std::string &name)
{
    std::string out;
    for (unsigned char c : name) {
        if (c < 0x20 || c == '%' || c == '\\') {
            char hex[4];
            snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}

const char *ARCHIVES[] = {
    "m0_stored",          "m1_shrink_small",     "m1_shrink_text",    "m1_shrink_binary",
    "m2_reduce1",         "m3_reduce2",          "m4_reduce3",        "m5_reduce4",
    "m6_implode_8k_lit",  "m6_implode_8k_nolit", "m6_implode_4k_lit", "m6_implode_4k_nolit",
    "m8_deflate",         "mixed_extensions",    "names_paths",       "iz_deflate_dirs_extra",
    "iz_deflate_streamed"};

// Methods whose decoders are in place; members of other methods are not compared.
bool decodable(uint16_t method)
{
    return method <= 6 || method == 8;
}

} // namespace

// Every member both ways: through the archive walk (selection, names, records) and its
// data run through its decoder directly with the central directory's sizes and CRC,
// whatever the selection rules do with it.
TEST(SharedArchives, EveryMemberComesOutByteExact)
{
    int compared = 0;
    for (const char *stem : ARCHIVES) {
        Bytes zip;
        ASSERT_NO_FATAL_FAILURE(read_testdata(std::string(stem) + ".zip", &zip));
        std::vector<CentralName> entries = central_names(zip);
        bool any_module = false;
        for (const CentralName &n : entries) {
            char mapped[PEXLIN_NAME_MAX + 1];
            if (map_name(n.name.c_str(), mapped) && !is_text_extension(name_extension(mapped)))
                any_module = true;
        }
        Chain c(check_and_process_arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr));
        EXPECT_EQ(any_module, c.head != nullptr) << stem << ": records only with a module";
        auto records = c.records();
        size_t next = 0;
        for (const CentralName &n : entries) {
            if (!n.name.empty() && n.name.back() == '/')
                continue; // directories map to no name and get no record
            ExtractedMember *r = next < records.size() ? records[next++] : nullptr;
            char mapped[PEXLIN_NAME_MAX + 1];
            map_name(n.name.c_str(), mapped);
            if (any_module) {
                ASSERT_NE(nullptr, r) << stem << " " << n.name;
                EXPECT_STREQ(mapped, r->name) << stem;
            }
            if (!decodable(n.method))
                continue;
            Bytes expected;
            ASSERT_NO_FATAL_FAILURE(
                read_testdata("expected/" + std::string(stem) + "/" + escaped(n.name), &expected));
            // A "diz" behind other text members is not decoded by the walk.
            if (r && strcmp(name_extension(mapped), "diz") != 0) {
                EXPECT_TRUE(expected == record_bytes(r)) << stem << " " << n.name;
            }
            size_t at = n.local_offset;
            ASSERT_LE(at + 30, zip.size()) << stem << " " << n.name;
            size_t data =
                at + 30 + (zip[at + 26] | zip[at + 27] << 8) + (zip[at + 28] | zip[at + 29] << 8);
            ASSERT_LE(data + n.compressed, zip.size()) << stem << " " << n.name;
            Bytes packed(zip.begin() + data, zip.begin() + data + n.compressed);
            MemberRun m = run(packed, n.method, n.uncompressed, n.crc, n.flags);
            EXPECT_EQ(StatusOk, m.status) << stem << " " << n.name;
            EXPECT_TRUE(expected == m.out) << stem << " " << n.name;
            compared++;
        }
        EXPECT_EQ(next, records.size()) << stem;
    }
    EXPECT_GT(compared, 30);
}

TEST(SharedArchives, NameMappingOfThePathsArchive)
{
    Bytes zip;
    ASSERT_NO_FATAL_FAILURE(read_testdata("names_paths.zip", &zip));
    Chain c(check_and_process_arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr));
    std::vector<std::string> names;
    for (ExtractedMember *r : c.records())
        names.push_back(r->name);
    EXPECT_EQ(std::vector<std::string>({"SONG.MOD", "NAME.MOD", "a_b.xm", "song.it", "TUNE.S3M",
                                        "drive.umx", "odd.mtm", "ctlname.mod", "esc:colon.it"}),
              names);
    Chain one(check_and_process_arc(zip.data(), (uint32_t)zip.size(), nullptr, "TUNE.S3M"));
    ASSERT_EQ(1u, one.records().size());
    EXPECT_EQ(300u, one.head->size);
}
