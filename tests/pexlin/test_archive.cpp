// The entry point: recognition, the central directory walk, member selection and records,
// and the ZIP64 fields taken when their values fit 32 bits. Damaged archives at large are
// the fuzz target's.
#include <gtest/gtest.h>

#include "pexlin_test_util.h"

namespace
{

// The packed record's link is not aligned natively: read it by value.
ExtractedMember *next_of(const ExtractedMember &m)
{
    return m.next;
}

std::vector<std::string> names_of(const Chain &c)
{
    std::vector<std::string> names;
    for (ExtractedMember *r : c.records())
        names.push_back(r->name);
    return names;
}

// Every record of a call: its name and bytes.
typedef std::vector<std::pair<std::string, Bytes>> Contents;
Contents contents(const Bytes &zip)
{
    Contents all;
    Chain c(call(zip));
    for (ExtractedMember *r : c.records())
        all.push_back({r->name, record_bytes(r)});
    return all;
}

const std::vector<ZipEntry> ONE = {{"song.mod", ramp8(300)}};

} // namespace

TEST(Archive, WhatIsNotAnArchiveGivesNullAndLeavesTheChainAlone)
{
    ExtractedMember mine = {};
    ExtractedMember *marker = (ExtractedMember *)0x1234;
    mine.next = marker;
    ZipOptions stub, split;
    stub.prefix = text_of("MZ self-extractor stub");
    split.this_disk = 1;
    Bytes zip = zip_write(ONE);
    const Bytes cases[] = {noise(3000, 1), Bytes(), zip_write(ONE, stub), zip_write(ONE, split),
                           Bytes(zip.begin() + 10, zip.end())};
    for (const Bytes &c : cases) {
        EXPECT_EQ(nullptr, call(c, &mine));
        EXPECT_EQ(marker, next_of(mine));
    }
    EXPECT_EQ(nullptr, check_and_process_arc(nullptr, 100, &mine, nullptr));
    Chain good(call(zip));
    EXPECT_NE(nullptr, good.head);
}

TEST(Archive, EndRecordFoundWithinReachAtEveryBlockAlignment)
{
    ZipOptions longest;
    longest.comment = std::string(65535, 'c');
    Chain found(call(zip_write(ONE, longest)));
    EXPECT_NE(nullptr, found.head);
    // Bytes behind the end record that its comment length does not cover: the record
    // is found while it lies within the last 65,557 bytes, and not beyond.
    ZipOptions behind;
    behind.trailing = Bytes(65535, 't');
    Chain reach(call(zip_write(ONE, behind)));
    EXPECT_NE(nullptr, reach.head);
    behind.trailing.push_back('t');
    EXPECT_EQ(nullptr, call(zip_write(ONE, behind)));
    // Comment lengths move the end record across 512-byte block boundaries, including
    // the positions where its signature straddles two blocks.
    for (size_t pad = 0; pad < 1100; pad++) {
        ZipOptions o;
        o.comment = std::string(pad, 'x');
        Chain c(call(zip_write(ONE, o)));
        ASSERT_NE(nullptr, c.head) << "comment " << pad;
    }
}

TEST(Archive, WantedNameIsExactAndCaseSensitive)
{
    Bytes zip = zip_write(
        {{"dir/song.mod", ramp8(100)}, {"SONG.MOD", noise(80, 3)}, {"other.it", ramp8(50)}});
    Chain exact(call(zip, nullptr, "SONG.MOD"));
    ASSERT_EQ(1u, exact.records().size());
    EXPECT_EQ(noise(80, 3), record_bytes(exact.head));
    EXPECT_EQ(nullptr, call(zip, nullptr, "Song.mod"));
    EXPECT_EQ(nullptr, call(zip, nullptr, "SONG.MO"));
}

TEST(Archive, SkippedEntriesLeaveTheOthers)
{
    for (const Fixture &f : zip_fixtures())
        if (f.name == "zip_skipped_entries") {
            Chain c(call(f.bytes));
            EXPECT_EQ(std::vector<std::string>({"plain.mod"}), names_of(c));
        }
    ZipEntry vms = {"vms.mod", ramp8(10)}, unix45 = {"unix.mod", ramp8(10)};
    vms.version_needed = 0x0228; // host 2 (VMS) counts versions up to 4.2
    unix45.version_needed = 0x032D;
    Chain c(call(zip_write({vms, unix45})));
    EXPECT_EQ(std::vector<std::string>({"vms.mod"}), names_of(c));
}

TEST(Archive, MoreThanOneGroupOfMembers)
{
    std::vector<ZipEntry> many;
    Contents expected;
    for (int i = 0; i < 150; i++) {
        many.push_back({"m" + std::to_string(i) + ".mod", ramp8(20 + i, (uint8_t)i), 8});
        expected.push_back({many.back().name, many.back().data});
    }
    EXPECT_EQ(expected, contents(zip_write(many)));
}

TEST(Archive, RecordsHoldTheirOwnMembersBytesBehindTheCallersChain)
{
    // A "diz" before any other text member, a module, a member without a listed extension
    // appended behind it, a text member, a second "diz" (never decoded while a text buffer
    // exists) and another module; streamed members take the central directory's sizes.
    Bytes diz = text_of("first diz"), mod = noise(3000, 8), noext = ramp8(700);
    Bytes readme = text_of("read me"), diz2 = text_of("second diz"), it = noise(900, 9);
    ZipEntry streamed = {"piece.it", it, 8}, stored = {"NOEXT", noext, 0};
    streamed.data_descriptor = stored.data_descriptor = true;
    ExtractedMember mine = {};
    Chain c(call(zip_write({{"file_id.diz", diz, 8},
                            {"song.mod", mod, 8},
                            stored,
                            {"readme.txt", readme, 0},
                            {"again.diz", diz2, 0},
                            streamed}),
                 &mine));
    EXPECT_EQ(c.head, next_of(mine));
    auto r = c.records();
    ASSERT_EQ(6u, r.size());
    Bytes undecoded(diz2.size(), 0); // nothing of another member's
    const Bytes *expected[] = {&diz, &mod, &noext, &readme, &undecoded, &it};
    for (size_t i = 0; i < 6; i++)
        EXPECT_EQ(*expected[i], record_bytes(r[i])) << i;
}

TEST(Archive, OnlyTextMembersGiveNullAndNoRecords)
{
    ExtractedMember mine = {};
    EXPECT_EQ(nullptr, call(zip_write({{"a.txt", text_of("x")}, {"b.nfo", text_of("y")}}), &mine));
    EXPECT_EQ(nullptr, next_of(mine)); // nothing left linked (and, under the sanitizers, leaked)
}

TEST(Archive, NamesOfDirectoriesAndLongNames)
{
    std::string long_name = "dir/" + std::string(300, 'L') + ".mod";
    Bytes zip = zip_write({{"dir/", Bytes()}, {long_name, ramp8(10)}, {"empty.mod", Bytes()}});
    EXPECT_EQ(Contents({{std::string(long_name, 4, 255), ramp8(10)}, {"empty.mod", Bytes()}}),
              contents(zip));
    Chain c(call(zip));
    EXPECT_EQ(nullptr, c.records().back()->data); // an empty member has no data block
}

TEST(Archive, ForgedSizesBuyNoHugeAllocation)
{
    struct Case {
        uint16_t method;
        int64_t declared;
        bool record;
    } cases[] = {
        {0, 0xFFFFFFF0ll, false},
        {8, 0xFFFFFFF0ll, false},
        {0, 1000, false},
        {8, 100000, true}, // within what deflate can reach from the bytes present
    };
    for (const Case &k : cases) {
        ZipEntry forged = {"forged.mod", ramp8(600), k.method};
        forged.local_uncompressed = k.declared;
        Chain c(call(zip_write({forged, {"fine.xm", ramp8(100)}})));
        auto r = c.records();
        ASSERT_EQ(k.record ? 2u : 1u, r.size()) << k.method << " " << k.declared;
        EXPECT_EQ(ramp8(100), record_bytes(r.back()));
        if (k.record) {
            EXPECT_EQ(ramp8(600), Bytes(r[0]->data, r[0]->data + 600));
        }
    }
}

TEST(Archive, BrokenEntriesAndMembers)
{
    ZipEntry far = {"far.mod", ramp8(100)}, other_method = {"method9.mod", ramp8(100)};
    far.local_offset = 0x7FFFFFF0;
    other_method.local_method = 9;
    ZipOptions more;
    more.total_entries = 65535; // the walk ends at the first missing entry
    Chain c(call(zip_write({far, other_method, {"ok.it", ramp8(64)}}, more)));
    EXPECT_EQ(std::vector<std::string>({"method9.mod", "ok.it"}), names_of(c));
    auto r = c.records();
    EXPECT_EQ(Bytes(100, 0), record_bytes(r[0]));
    EXPECT_EQ(ramp8(64), record_bytes(r[1]));
}

TEST(Zip64, MembersTakenWhenTheirValuesFit)
{
    const int64_t ABOVE_32_BITS = 0x100000000ll;
    struct {
        const char *what;
        Zip64Fields zip64; // local, central, offset, forged size and offset, cut, overstated
        bool descriptor, endRecord, taken;
    } cases[] = {
        {"sizes only in the central block", {0, 1}, 0, 0, true},
        {"sizes only in the local block", {1, 0}, 0, 0, true},
        {"sizes in both blocks", {1, 1}, 0, 0, true},
        {"local header offset in the central block", {0, 1, 1}, 0, 0, true},
        {"streamed with a 64-bit data descriptor", {1, 0}, 1, 0, true},
        {"local block behind a ZIP64 end record", {1, 0}, 0, 1, true},
        {"central size beyond 32 bits", {0, 1, 0, ABOVE_32_BITS}, 0, 0, false},
        {"local size beyond 32 bits", {1, 0, 0, ABOVE_32_BITS + 600}, 0, 0, false},
        {"local header offset beyond 32 bits", {0, 1, 1, -1, ABOVE_32_BITS}, 0, 0, false},
        {"central block without the compressed size", {0, 1, 0, -1, -1, 8}, 0, 0, false},
        {"local block with one size only", {1, 0, 0, -1, -1, 8}, 0, 0, false},
        {"local block overrunning the extra field", {1, 0, 0, -1, -1, 0, 4}, 0, 0, false},
        {"central block overrunning the extra field", {0, 1, 0, -1, -1, 0, 1}, 0, 0, false},
    };
    Bytes song = noise(3000, 41), tune = ramp8(700, 9);
    for (auto &k : cases) {
        for (uint16_t method : {0, 8}) {
            SCOPED_TRACE(std::string(k.what) + ", method " + std::to_string(method));
            ZipEntry e = {"wide.mod", song, method};
            // A time stamp block in front of the ZIP64 block, as Info-ZIP writes them.
            e.extra = {0x55, 0x54, 5, 0, 3, 1, 2, 3, 4};
            e.zip64 = k.zip64;
            e.data_descriptor = k.descriptor;
            ZipOptions o;
            o.zip64_end = k.endRecord;
            // A plain member behind it: a refused member never ends the walk.
            Chain c(call(zip_write({e, {"plain.xm", tune, 8}}, o)));
            auto r = c.records();
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
    ZipOptions o;
    o.zip64_end = true;
    Bytes zip = zip_write({{"song.mod", ramp8(300), 8}}, o);
    Chain fits(call(zip));
    EXPECT_EQ(std::vector<std::string>({"song.mod"}), names_of(fits));
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
        {"directory elsewhere", record + 48, 1},
        {"directory beyond 32 bits", record + 52, 1},
    };
    for (const Poke &p : pokes) {
        Bytes forged = zip;
        poke_le32(forged, p.at, p.value);
        EXPECT_EQ(nullptr, call(forged)) << p.what;
    }
}

// A folder of its own under the test temporary folder, removed with what it holds.
struct TempFolder {
    std::string path;
    explicit TempFolder(const char *stem)
    {
        std::string pattern = ::testing::TempDir() + stem + "_XXXXXX";
        if (mkdtemp(&pattern[0]))
            path = pattern;
    }
    ~TempFolder()
    {
        if (!path.empty() && system(("rm -rf '" + path + "'").c_str()) != 0)
            ADD_FAILURE() << "cannot remove " << path;
    }
};

TEST(Zip64, InfoZipFromAPipe)
{
    if (system("command -v zip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    TempFolder work("izip64");
    ASSERT_FALSE(work.path.empty());
    Bytes song = word_text(70000, 3);
    ASSERT_TRUE(write_file(work.path + "/song.mod", song));
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
        std::string cmd = "cd '" + work.path + "' && rm -f out.zip && " + form;
        ASSERT_EQ(0, system(cmd.c_str())) << form;
        Bytes zip = read_file(work.path + "/out.zip");
        ASSERT_GT(zip.size(), 6u) << form;
        EXPECT_EQ(45, zip[4]) << form << ": Info-ZIP no longer marks these members 4.5";
        Chain c(call(zip));
        ASSERT_EQ(std::vector<std::string>({"-"}), names_of(c)) << form;
        EXPECT_TRUE(song == record_bytes(c.head)) << form;
    }
}
