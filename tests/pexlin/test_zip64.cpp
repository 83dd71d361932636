// ZIP64 fields: members of version 4.5 whose sizes and offsets sit in the extended-information
// block are taken when every value fits 32 bits, and refused otherwise; the ZIP64 end record
// that Info-ZIP writes for input from a pipe is taken when it fits the end record.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "pexlin_test_util.h"
#include "zip_writer.h"

namespace
{

ZipEntry member(const std::string &name, const Bytes &data, uint16_t method)
{
    ZipEntry e;
    e.name = name;
    e.data = data;
    e.method = method;
    return e;
}

std::vector<std::string> names_of(const Chain &c)
{
    std::vector<std::string> names;
    for (ExtractedMember *r : c.records())
        names.push_back(r->name);
    return names;
}

const int64_t ABOVE_32_BITS = 0x100000000ll;

struct Zip64Case {
    const char *what;
    void (*shape)(ZipEntry &e, ZipOptions &o);
    bool taken;
};

const Zip64Case CASES[] = {
    {"sizes only in the central block", [](ZipEntry &e, ZipOptions &) { e.zip64_central = true; },
     true},
    {"sizes only in the local block", [](ZipEntry &e, ZipOptions &) { e.zip64_local = true; },
     true},
    {"sizes in both blocks",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_local = true;
         e.zip64_central = true;
     },
     true},
    {"local header offset in the central block",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_central = true;
         e.zip64_offset = true;
     },
     true},
    {"streamed with a 64-bit data descriptor",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_local = true;
         e.data_descriptor = true;
     },
     true},
    {"local block behind a ZIP64 end record",
     [](ZipEntry &e, ZipOptions &o) {
         e.zip64_local = true;
         o.zip64_end = true;
     },
     true},
    {"other extra blocks in front of the ZIP64 block",
     [](ZipEntry &e, ZipOptions &) {
         e.extra = {0x55, 0x54, 5, 0, 3, 1, 2, 3, 4}; // a time stamp block
         e.zip64_local = true;
         e.zip64_central = true;
     },
     true},
    {"central size beyond 32 bits",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_central = true;
         e.zip64_uncompressed = ABOVE_32_BITS;
     },
     false},
    {"local size beyond 32 bits",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_local = true;
         e.zip64_uncompressed = ABOVE_32_BITS + 600;
     },
     false},
    {"local header offset beyond 32 bits",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_central = true;
         e.zip64_offset = true;
         e.zip64_offset_value = ABOVE_32_BITS;
     },
     false},
    {"central block without the compressed size",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_central = true;
         e.zip64_cut = 8;
     },
     false},
    {"local block with one size only",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_local = true;
         e.zip64_cut = 8;
     },
     false},
    {"local block claiming bytes beyond the extra field",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_local = true;
         e.zip64_overstate = 4;
     },
     false},
    {"central block claiming bytes beyond the extra field",
     [](ZipEntry &e, ZipOptions &) {
         e.zip64_central = true;
         e.zip64_overstate = 1;
     },
     false},
};

} // namespace

TEST(Zip64, MembersTakenWhenTheirValuesFit)
{
    Bytes song = noise(3000, 41), tune = ramp8(700, 9);
    for (const Zip64Case &k : CASES) {
        for (uint16_t method : {0, 8}) {
            ZipEntry e = member("wide.mod", song, method);
            ZipOptions o;
            k.shape(e, o);
            // A plain member behind it: a refused member never ends the walk.
            Bytes zip = zip_write({e, member("plain.xm", tune, 8)}, o);
            Chain c(check_and_process_arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr));
            auto r = c.records();
            SCOPED_TRACE(std::string(k.what) + ", method " + std::to_string(method));
            if (k.taken) {
                ASSERT_EQ(std::vector<std::string>({"wide.mod", "plain.xm"}), names_of(c));
                EXPECT_EQ(song, record_bytes(r[0]));
            } else {
                ASSERT_EQ(std::vector<std::string>({"plain.xm"}), names_of(c));
            }
            EXPECT_EQ(tune, record_bytes(r.back()));
        }
    }
}

TEST(Zip64, EndRecordTakenOnlyWhenItFitsTheGap)
{
    std::vector<ZipEntry> one = {member("song.mod", ramp8(300), 8)};
    ZipOptions o;
    o.zip64_end = true;
    Bytes zip = zip_write(one, o);
    Chain fits(check_and_process_arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr));
    EXPECT_EQ(std::vector<std::string>({"song.mod"}), names_of(fits));
    struct Bad {
        const char *what;
        void (*forge)(ZipOptions &o);
    } bad[] = {
        {"directory beyond 32 bits",
         [](ZipOptions &x) { x.zip64_directory_offset = ABOVE_32_BITS; }},
        {"directory elsewhere", [](ZipOptions &x) { x.zip64_directory_offset = 1; }},
        {"bytes in front", [](ZipOptions &x) { x.prefix = text_of("stub"); }},
    };
    for (const Bad &b : bad) {
        ZipOptions forged = o;
        b.forge(forged);
        Bytes image = zip_write(one, forged);
        EXPECT_EQ(nullptr,
                  check_and_process_arc(image.data(), (uint32_t)image.size(), nullptr, nullptr))
            << b.what;
    }
    // The locator and the record must fill the gap exactly, and their values fit.
    size_t locator = zip.size() - 22 - 20, record = locator - 56;
    struct Poke {
        const char *what;
        size_t at;
        uint32_t value;
    } pokes[] = {
        {"record behind the locator", locator + 8, (uint32_t)locator},
        {"record far beyond the image", locator + 8, 0xFFFFFFF0u},
        {"record shorter than the gap", record + 4, 43},
        {"record longer than the gap", record + 4, 45},
        {"entries beyond 16 bits", record + 36, 1},
        {"locator on another disk", locator + 4, 1},
    };
    for (const Poke &p : pokes) {
        Bytes forged = zip;
        poke_le32(forged, p.at, p.value);
        EXPECT_EQ(nullptr,
                  check_and_process_arc(forged.data(), (uint32_t)forged.size(), nullptr, nullptr))
            << p.what;
    }
}

TEST(Zip64, InfoZipFromAPipe)
{
    if (system("command -v zip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    std::string pattern = ::testing::TempDir() + "izip64_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(&pattern[0]));
    const std::string work = pattern;
    struct RemoveWork {
        std::string path;
        ~RemoveWork()
        {
            (void)system(("rm -rf '" + path + "'").c_str());
        }
    } remove_work{work};
    Bytes song = word_text(70000, 3);
    ASSERT_TRUE(write_file(work + "/song.mod", song));
    // Into a file it can seek in: sizes in the local block and a ZIP64 end record. Into a
    // pipe: bit 3, zeros in the local block and a 64-bit data descriptor (zip does not store
    // into a pipe).
    const char *forms[] = {
        "cat song.mod | zip -q -9 out.zip -",
        "cat song.mod | zip -q -0 out.zip -",
        "cat song.mod | zip -q -9 - - | cat > out.zip",
        "cat song.mod | zip -q -1 - - | cat > out.zip",
    };
    for (const char *form : forms) {
        std::string cmd = "cd '" + work + "' && rm -f out.zip && " + form;
        ASSERT_EQ(0, system(cmd.c_str())) << form;
        Bytes zip = read_file(work + "/out.zip");
        ASSERT_GT(zip.size(), 6u) << form;
        EXPECT_EQ(45, zip[4]) << form << ": Info-ZIP no longer marks these members 4.5";
        Chain c(check_and_process_arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr));
        ASSERT_EQ(std::vector<std::string>({"-"}), names_of(c)) << form;
        EXPECT_TRUE(song == record_bytes(c.head)) << form;
    }
}
