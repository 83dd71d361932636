// virn-grab on zipped modules, run in this process through its command function: every
// module member listed and extracted as its own module, named "archive<member", kept inside
// the output folder whatever the member's name, and archives without modules failing.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "files.h"
#include "fixtures.h"
#include "grab_command.h"
#include "it_writer.h"
#include "minor_writers.h"
#include "mod_writer.h"
#include "zip_writer.h"

namespace
{

// Every file below `root`, by its path relative to it ("/dir/name"), with its bytes.
std::map<std::string, Bytes> tree(const std::string &root)
{
    std::map<std::string, Bytes> files;
    std::error_code ec;
    for (auto &e : std::filesystem::recursive_directory_iterator(root, ec))
        if (e.is_regular_file())
            files["/" + e.path().lexically_relative(root).generic_string()] =
                read_file(e.path().string());
    return files;
}

void remove_tree(const std::string &path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

struct Result {
    int status;
    std::string out, err;
};

// A folder of its own under the test's working folder (in the build tree).
struct VirnGrab : ::testing::Test {
    std::string work;
    Bytes mod = demo_mod_module(), it = demo_it_module(); // both with samples of every kind

    void SetUp() override
    {
        work = "cli_work_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        remove_tree(work);
        ASSERT_TRUE(make_folders(work));
    }
    void TearDown() override
    {
        remove_tree(work);
        remove((work + ".out").c_str());
        remove((work + ".err").c_str());
    }
    std::string path(const std::string &name) const
    {
        return work + "/" + name;
    }
    // The program's streams go to files beside the work folder, read back afterwards.
    Result run(const std::vector<std::string> &args)
    {
        FILE *out = fopen((work + ".out").c_str(), "wb"),
             *err = fopen((work + ".err").c_str(), "wb");
        Result r;
        r.status = run_virn_grab(args, out, err);
        fclose(out);
        fclose(err);
        Bytes o = read_file(work + ".out"), e = read_file(work + ".err");
        r.out.assign(o.begin(), o.end());
        r.err.assign(e.begin(), e.end());
        return r;
    }
};

std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

} // namespace

TEST_F(VirnGrab, EveryModuleMemberListedAndExtractedAsItsOwnModule)
{
    struct Member {
        std::string stored, mapped;
        const Bytes *data;
    } members[] = {{"SONG.MOD", "SONG.MOD", &mod}, {"dir/piece.it", "piece.it", &it}};
    for (const Member &m : members)
        ASSERT_TRUE(write_file(path(m.mapped), *m.data));
    // Our own writer everywhere (members deflated, method 8; also under a module's name:
    // content decides), Info-ZIP's `zip -9` as well where the machine has it.
    std::vector<std::string> archives = {"own.mdz", "zip-named.mod"};
    std::vector<ZipEntry> entries;
    for (const Member &m : members)
        entries.push_back({m.stored, *m.data, 8});
    entries.push_back({"readme.txt", word_text(300, 1), 8});
    ASSERT_TRUE(write_file(path("own.mdz"), zip_write(entries)));
    ASSERT_TRUE(write_file(path("zip-named.mod"), zip_write(entries)));
#if !defined(_WIN32)
    if (system("command -v zip >/dev/null 2>&1") == 0) {
        std::string cmd = "cd '" + work + "' && mkdir dir && cp piece.it dir/ && " +
                          "zip -q -9 -X info.zip SONG.MOD dir/piece.it && rm -r dir";
        ASSERT_EQ(0, system(cmd.c_str()));
        archives.push_back("info.zip");
    }
#endif
    for (const std::string &archive : archives) {
        SCOPED_TRACE(archive);
        std::string a = path(archive);
        // Listed as each member alone would be, under the label "archive<member".
        Result table = run({"list", a});
        ASSERT_EQ(0, table.status) << table.err;
        std::string expected;
        for (const Member &m : members)
            expected +=
                replaced(run({"list", path(m.mapped)}).out, path(m.mapped), a + "<" + m.mapped);
        EXPECT_EQ(expected, table.out);

        // Several module members: one subfolder each, holding what the member gives alone.
        Result x = run({"extract", "-o", path("x"), a});
        ASSERT_EQ(0, x.status) << x.err;
        std::map<std::string, Bytes> got = tree(path("x")), want;
        for (const Member &m : members) {
            std::string alone = path("alone");
            ASSERT_EQ(0, run({"extract", "-o", alone, path(m.mapped)}).status);
            std::map<std::string, Bytes> files = tree(alone);
            ASSERT_FALSE(files.empty());
            for (const auto &f : files)
                want["/" + archive + "_" + m.mapped + f.first] = f.second;
            remove_tree(alone);
        }
        EXPECT_EQ(want.size(), got.size());
        EXPECT_TRUE(want == got);
        remove_tree(path("x"));
    }
}

TEST_F(VirnGrab, HostileMemberNamesStayInsideTheOutputFolder)
{
    // The archive library keeps what follows byte 0x16 whatever it is, separators included.
    std::string up = "\x16/..\x16/..\x16/";
    Bytes zip = zip_write({{"a" + up + "evil.mod", mod, 8},
                           {"..", it, 8},
                           {"C:\x16\\x.it", it, 8},
                           {".\x16/..", mod, 8},
                           {"dir/..", it, 8}});
    ASSERT_TRUE(write_file(path("h.zip"), zip));
    Result list = run({"list", path("h.zip")});
    EXPECT_EQ(0, list.status) << list.err;
    EXPECT_NE(std::string::npos, list.out.find("h.zip<a/../../evil.mod: "));
    Result x = run({"extract", "-o", path("deep/out"), path("h.zip")});
    EXPECT_EQ(0, x.status) << x.err;
    std::map<std::string, Bytes> all = tree(work);
    std::set<std::string> folders;
    for (const auto &f : all) {
        if (f.first == "/h.zip")
            continue;
        ASSERT_EQ(0u, f.first.find("/deep/out/")) << f.first;
        folders.insert(f.first.substr(10, f.first.find('/', 10) - 10));
    }
    // Five modules, five folders: no name ends in a dot (Windows would drop it), and the
    // second member named ".." takes "~2".
    EXPECT_EQ(std::set<std::string>({"h.zip_a_.._.._evil.mod", "h.zip___", "h.zip_C__x.it",
                                     "h.zip_.___", "h.zip___~2"}),
              folders);
}

TEST_F(VirnGrab, ArchivesWithoutModulesFail)
{
    struct Case {
        const char *file;
        Bytes bytes;
        const char *message;
    } cases[] = {
        {"texts.zip", zip_write({{"a.txt", word_text(300, 1), 8}}), "no module in this archive"},
        {"picture.mdz", zip_write({{"cover.bin", noise(500, 1), 8}}), "no module in this archive"},
        {"empty.zip", zip_write({}), "no module in this archive"},
        {"broken.itz", zip_write({{"broken.it", noise(500, 2), 8}}),
         "broken.itz<broken.it: not a supported module"},
        {"plain.mod", noise(500, 3), "plain.mod: not a supported module"},
    };
    ASSERT_TRUE(write_file(path("good.mod"), mod));
    for (const Case &k : cases) {
        ASSERT_TRUE(write_file(path(k.file), k.bytes));
        for (const char *command : {"list", "extract"}) {
            std::vector<std::string> args = {command, path(k.file), path("good.mod")};
            if (std::string(command) == "extract")
                args.insert(args.begin() + 1, {"-o", path("x")});
            Result r = run(args);
            EXPECT_EQ(1, r.status) << k.file;
            EXPECT_NE(std::string::npos, r.err.find(k.message)) << k.file << ": " << r.err;
            EXPECT_NE(std::string::npos, r.out.find("good")) << k.file; // the others go on
            remove_tree(path("x"));
        }
    }
}

TEST_F(VirnGrab, SamplesThatCannotBeAllocatedAreRefusedWithAMessage)
{
    // Every buffer above 2000 bytes fails: the demo MOD's longer samples are refused, the
    // shorter ones still written, and the run reports the failure.
    static void *(*const real)(size_t) = virn_grab_alloc;
    virn_grab_alloc = [](size_t size) { return size > 2000 ? nullptr : real(size); };
    ASSERT_TRUE(write_file(path("demo.mod"), mod));
    Result extracted = run({"extract", "-o", path("x"), path("demo.mod")});
    Result listed = run({"list", "--json", path("demo.mod")});
    virn_grab_alloc = real;
    for (const Result &r : {extracted, listed}) {
        EXPECT_EQ(1, r.status);
        EXPECT_NE(std::string::npos, r.err.find("more than can be allocated")) << r.err;
    }
    EXPECT_NE(std::string::npos, extracted.out.find("(005).wav")) << extracted.out; // 800 bytes
    EXPECT_EQ(std::string::npos, extracted.out.find("(001).wav")) << extracted.out; // 4000 bytes
}

TEST_F(VirnGrab, PackagedModulesNamedByPackageAndInnerFormat)
{
    // The table names the package and the module inside; the JSON names the inner format.
    std::map<std::string, std::string> inner = {
        {"umx_it", "IT"}, {"umx_s3m", "S3M"}, {"umx_xm", "XM"}, {"umx_mod", "MOD"}};
    for (const Fixture &f : umx_fixtures()) {
        std::string file = path(f.name + ".umx");
        ASSERT_TRUE(write_file(file, f.bytes));
        Result table = run({"list", file}), json = run({"list", "--json", file});
        EXPECT_EQ(0, table.status) << table.err;
        EXPECT_NE(std::string::npos, table.out.find(": UMX (" + inner[f.name] + ") \"")) << f.name;
        EXPECT_NE(std::string::npos, json.out.find("\"format\":\"" + inner[f.name] + "\""))
            << json.out;
    }
    // The same module outside a package is named plainly.
    ASSERT_TRUE(write_file(path("plain.it"), umx_inner_module(32)));
    EXPECT_NE(std::string::npos, run({"list", path("plain.it")}).out.find(": IT \""));
}
