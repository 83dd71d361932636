// The entry point: recognition, the central directory walk, member selection and records,
// and the ZIP64 fields taken when their values fit 32 bits. Damaged archives at large are
// the fuzz target's.
#include <gtest/gtest.h>

#include "names.h"
#include "pexlin_test_util.h"

static const std::vector<ZipEntry> ONE = {{"song.mod", ramp8(300)}};

TEST(Archive, WhatIsNotAnArchiveGivesNullAndLeavesTheChainAlone)
{
    Bytes zip = zip_write(ONE), split = zip;
    poke_le16(split, split.size() - 22 + 4, 1); // the end record's disk number
    std::vector<Bytes> cases = {noise(3000, 1), Bytes(), joined({text_of("MZ stub"), zip}), split,
                                // The end record beyond the last 65,557 bytes.
                                joined({zip, Bytes(65536, 't')}),
                                Bytes(zip.begin() + 10, zip.end()),
                                // Only text members: no module output buffer, no records.
                                zip_write({{"a.txt", text_of("x")}, {"b.nfo", text_of("y")}})};
    // A ZIP64 end record's locator and record must fill the gap before the end record
    // exactly, and their values fit.
    Bytes wide = zip_write(ONE, "", true);
    size_t locator = wide.size() - 22 - 20, record = locator - 56;
    struct {
        size_t at;
        uint32_t value;
    } pokes[] = {
        {locator + 8, (uint32_t)locator}, // record behind the locator
        {locator + 8, 0xFFFFFFF0u},       // record far beyond the image
        {record + 4, 43},                 // record shorter than the gap
        {record + 4, 45},                 // record longer than the gap
        {record + 36, 1},                 // entries beyond 16 bits
        {locator + 4, 1},                 // locator on another disk
        {record + 48, 1},                 // directory elsewhere
        {record + 52, 1},                 // directory beyond 32 bits
    };
    for (auto &p : pokes) {
        cases.push_back(wide);
        poke_le32(cases.back(), p.at, p.value);
    }
    ExtractedMember mine = {};
    ExtractedMember *marker = (ExtractedMember *)0x1234;
    mine.next = marker;
    for (size_t i = 0; i < cases.size(); i++) {
        EXPECT_EQ(nullptr,
                  check_and_process_arc(cases[i].data(), (uint32_t)cases[i].size(), &mine, nullptr))
            << "case " << i;
        EXPECT_TRUE(mine.next == marker); // the packed link compared by value
    }
    EXPECT_EQ(nullptr, check_and_process_arc(nullptr, 100, &mine, nullptr));
}

TEST(Archive, EndRecordFoundWithinReachAtEveryBlockAlignment)
{
    // The longest comment, bytes behind the end record that its comment does not cover,
    // and comment lengths that move the end record across 512-byte block boundaries,
    // including the positions where its signature straddles two blocks.
    for (size_t pad = 0; pad < 1100; pad++) {
        Bytes zip = pad == 1 ? joined({zip_write(ONE), Bytes(65535, 't')})
                             : zip_write(ONE, std::string(pad ? pad : 65535, 'c'));
        ASSERT_EQ(Contents({{"song.mod", ramp8(300)}}), contents(zip)) << pad;
    }
}

TEST(Archive, SelectionByWantedNameAndVersion)
{
    // More members than one group of central entries holds: all of them, or one by name.
    std::vector<ZipEntry> many;
    Contents all;
    for (int i = 0; i < 150; i++) {
        many.push_back({"m" + std::to_string(i) + ".mod", ramp8(20 + i, (uint8_t)i), 8});
        all.push_back({many.back().name, many.back().data});
    }
    EXPECT_EQ(all, contents(zip_write(many)));
    EXPECT_EQ(Contents({all[140]}), contents(zip_write(many), "m140.mod"));
    Bytes zip = zip_write(
        {{"dir/song.mod", ramp8(100)}, {"SONG.MOD", noise(80, 3)}, {"other.it", ramp8(50)}});
    EXPECT_EQ(Contents({{"SONG.MOD", noise(80, 3)}}), contents(zip, "SONG.MOD"));
    EXPECT_EQ(Contents(), contents(zip, "Song.mod"));
    EXPECT_EQ(Contents(), contents(zip, "SONG.MO"));
    // Encrypted, method 7 and version 4.5 entries are skipped; the others stay.
    ZipEntry enc = {"secret.mod", ramp8(10)}, vms = {"vms.mod", ramp8(10)};
    ZipEntry unix45 = {"unix.mod", ramp8(10)};
    enc.flags = 1;
    vms.version_needed = 0x0228; // host 2 (VMS) counts versions up to 4.2
    unix45.version_needed = 0x032D;
    EXPECT_EQ(Contents({{"vms.mod", ramp8(10)}, {"plain.mod", ramp8(10)}}),
              contents(zip_write(
                  {enc, {"tokens.mod", ramp8(10), 7}, vms, unix45, {"plain.mod", ramp8(10)}})));
}

TEST(Archive, RecordsHoldTheirOwnMembersBytesBehindTheCallersChain)
{
    // A "diz" before any other text member, a module, a member without a listed extension
    // appended behind it, a text member, a second "diz" (never decoded while a text buffer
    // exists), another module; streamed members take the central directory's sizes; a
    // directory gets no record, a long name is cut to 255 characters, an empty member has
    // no data block.
    Bytes diz = text_of("first diz"), mod = noise(3000, 8), noext = ramp8(700);
    Bytes readme = text_of("read me"), diz2 = text_of("second diz"), it = noise(900, 9);
    ZipEntry streamed = {"piece.it", it, 8}, stored = {"NOEXT", noext, 0};
    streamed.data_descriptor = stored.data_descriptor = true;
    std::string long_name = "dir/" + std::string(300, 'L') + ".mod";
    ExtractedMember mine = {};
    Bytes zip = zip_write({{"file_id.diz", diz, 8},
                           {"song.mod", mod, 8},
                           stored,
                           {"readme.txt", readme, 0},
                           {"again.diz", diz2, 0},
                           streamed,
                           {"dir/", Bytes()},
                           {long_name, ramp8(10)},
                           {"empty.mod", Bytes()}});
    ExtractedMember *first =
        check_and_process_arc(zip.data(), (uint32_t)zip.size(), &mine, nullptr);
    EXPECT_TRUE(mine.next == first);
    EXPECT_EQ(Contents({{"file_id.diz", diz},
                        {"song.mod", mod},
                        {"NOEXT", noext},
                        {"readme.txt", readme},
                        {"again.diz", Bytes(diz2.size(), 0)}, // nothing of another member's
                        {"piece.it", it},
                        {std::string(long_name, 4, 255), ramp8(10)},
                        {"empty.mod", Bytes()}}),
              take(first));
}

TEST(Archive, ForgedSizesAndBrokenEntries)
{
    // A declared size that the method cannot reach from the bytes present buys no record;
    // within reach, the record gets what came out.
    struct {
        uint16_t method;
        uint32_t declared;
        bool record;
    } cases[] = {
        {0, 0xFFFFFFF0u, false}, {8, 0xFFFFFFF0u, false}, {0, 1000, false}, {8, 100000, true}};
    for (auto &k : cases) {
        Bytes zip = zip_write({{"forged.mod", ramp8(600), k.method}, {"fine.xm", ramp8(100)}});
        poke_le32(zip, 22, k.declared); // the first local header's uncompressed size
        Contents c = contents(zip);
        ASSERT_EQ(k.record ? 2u : 1u, c.size()) << k.method << " " << k.declared;
        EXPECT_EQ(ramp8(100), c.back().second);
        if (k.record) {
            EXPECT_EQ(ramp8(600), Bytes(c[0].second.begin(), c[0].second.begin() + 600));
        }
    }
    // An unknown method in the local header only, a local header beyond the image, and a
    // total that promises more entries than there are: the walk goes on past each.
    ZipEntry far = {"far.mod", ramp8(100)};
    far.local_offset = 0x7FFFFFF0;
    Bytes zip = zip_write({{"method9.mod", ramp8(100)}, far, {"ok.it", ramp8(64)}});
    poke_le16(zip, 8, 9);
    poke_le32(zip, zip.size() - 22 + 8, 0xFFFFFFFF); // entries on this disk and in all
    EXPECT_EQ(Contents({{"method9.mod", Bytes(100, 0)}, {"ok.it", ramp8(64)}}), contents(zip));
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
            ZipEntry e = {"wide.mod", song, method};
            // A time stamp block in front of the ZIP64 block, as Info-ZIP writes them.
            e.extra = {0x55, 0x54, 5, 0, 3, 1, 2, 3, 4};
            e.zip64 = k.zip64;
            e.data_descriptor = k.descriptor;
            // A plain member behind it: a refused member never ends the walk.
            Contents expected = {{"plain.xm", tune}};
            if (k.taken)
                expected.insert(expected.begin(), {"wide.mod", song});
            EXPECT_EQ(expected, contents(zip_write({e, {"plain.xm", tune, 8}}, "", k.endRecord)))
                << k.what << ", method " << method;
        }
    }
}

TEST(Zip64, InfoZipFromAPipe)
{
    if (system("command -v zip >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    std::string work = ::testing::TempDir() + "izip64_XXXXXX";
    ASSERT_TRUE(mkdtemp(&work[0]));
    Bytes song = word_text(70000, 3);
    ASSERT_TRUE(write_file(work + "/song.mod", song));
    // Into a file it can seek in: sizes in the local block and a ZIP64 end record. Into a
    // pipe: bit 3, zeros in the local block and a 64-bit data descriptor (zip does not store
    // into a pipe).
    for (const char *form :
         {"cat song.mod | zip -q -9 out.zip -", "cat song.mod | zip -q -0 out.zip -",
          "cat song.mod | zip -q -9 - - | cat > out.zip",
          "cat song.mod | zip -q -1 - - | cat > out.zip"}) {
        std::string cmd = "cd '" + work + "' && rm -f out.zip && " + form;
        ASSERT_EQ(0, system(cmd.c_str())) << form;
        Bytes zip = read_file(work + "/out.zip");
        ASSERT_GT(zip.size(), 6u) << form;
        EXPECT_EQ(45, zip[4]) << form << ": Info-ZIP no longer marks these members 4.5";
        EXPECT_TRUE(Contents({{"-", song}}) == contents(zip)) << form;
    }
    EXPECT_EQ(0, system(("rm -rf '" + work + "'").c_str()));
}

TEST(Archive, NameMapping)
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
        {"<unclosed.mod", ""},
        {"trailing\x16", "trailing"},
        {"\xE9t\xE9.mod", "\xE9t\xE9.mod"},
    };
    for (const Case &c : cases) {
        char out[PEXLIN_NAME_MAX + 1];
        EXPECT_EQ(strlen(c.mapped), map_name(c.stored, out)) << c.stored;
        EXPECT_STREQ(c.mapped, out) << c.stored;
    }
}
