// Names made from untrusted text: playlist entries of archive members, the file name a
// member gets outside its archive, and the external program's command.
#include <gtest/gtest.h>

#include <string>

#include "entry_names.h"
#include "external_command.h"

TEST(EntryNames, FormAndSplit)
{
    char entry[PATH_BUFFER], archive[PATH_BUFFER], member[PATH_BUFFER];
    ASSERT_TRUE(split_entry("D:\\a.mdz<B<C.XM", archive, member));
    EXPECT_STREQ("D:\\a.mdz", archive); // the first '<' separates
    EXPECT_STREQ("B<C.XM", member);

    // 259 characters fit, 260 are refused and leave the buffers empty.
    std::string folder(250, 'f');
    EXPECT_TRUE(form_entry(entry, folder.c_str(), "12345678"));
    EXPECT_EQ(259u, std::string(entry).size());
    EXPECT_FALSE(form_entry(entry, folder.c_str(), "123456789"));
    EXPECT_STREQ("", entry);
    std::string tooLong = std::string(300, 'a') + "<SONG.MOD";
    EXPECT_FALSE(split_entry(tooLong.c_str(), archive, member));
    EXPECT_STREQ("", archive);
    EXPECT_STREQ("", member);
    tooLong = "a.mdz<" + std::string(300, 'm');
    EXPECT_FALSE(split_entry(tooLong.c_str(), archive, member));
    EXPECT_FALSE(split_entry("no-mark", archive, member));
}

TEST(EntryNames, MemberFileNamesStayInTheirFolder)
{
    struct Case {
        const char *member, *file;
    } cases[] = {
        {"SONG.MOD", "SONG.MOD"},
        {"..\\..\\Windows\\x.dll", "x.dll"},
        {"../../etc/passwd", "passwd"},
        {"C:\\Windows\\x.dll", "x.dll"},
        {"C:x.dll", "x.dll"},
        {"..", "__"},
        {"...", "___"},
        {"x. . ", "x____"},
        {"a*b?c\"d|e>f", "a_b_c_d_e_f"},
        {"tab\there", "tab_here"},
        {"", "_"},
        {"dir\\", "_"},
        {"CON", "_CON"},
        {"nul.mod", "_nul.mod"},
        {"com1.xm", "_com1.xm"},
        {"COM0.xm", "COM0.xm"},
        {"CONSOLE.IT", "CONSOLE.IT"},
    };
    for (const Case &c : cases) {
        char out[PATH_BUFFER];
        member_file_name(c.member, out, sizeof out);
        EXPECT_STREQ(c.file, out) << c.member;
    }
    char small[6];
    member_file_name("abcdefgh", small, sizeof small);
    EXPECT_STREQ("abcde", small);

    char path[PATH_BUFFER];
    EXPECT_TRUE(join_path(path, "C:\\settings", "x.dll"));
    EXPECT_STREQ("C:\\settings\\x.dll", path);
    EXPECT_TRUE(join_path(path, "C:\\", "x.dll"));
    EXPECT_STREQ("C:\\x.dll", path);
    EXPECT_FALSE(join_path(path, std::string(255, 'd').c_str(), "x.dll"));
    EXPECT_STREQ("", path);
}

TEST(ExternalCommand, ModulePathReplacesPercentMod)
{
    struct Case {
        const char *setting, *module, *command;
    } cases[] = {
        {"C:\\Virn.exe %mod", "D:\\m\\song.xm", "C:\\Virn.exe D:\\m\\song.xm"},
        {"C:\\Virn.exe %mod", "D:\\my mods\\song.xm", "C:\\Virn.exe \"D:\\my mods\\song.xm\""},
        {"C:\\Virn.exe \"%mod\"", "D:\\my mods\\a.xm", "C:\\Virn.exe \"D:\\my mods\\a.xm\""},
        {"C:\\Virn.exe", "D:\\m\\song.xm", "C:\\Virn.exe D:\\m\\song.xm"},
        {"C:\\Virn.exe", "D:\\my mods\\a.xm", "C:\\Virn.exe \"D:\\my mods\\a.xm\""},
        {"cmp %mod %mod", "D:\\a.it", "cmp D:\\a.it D:\\a.it"},
        {"x %modx", "D:\\a.it", "x D:\\a.itx"},
        {"tool -q", "D:\\100%mod.it", "tool -q D:\\100%mod.it"}, // the path is not searched
    };
    for (const Case &c : cases) {
        char out[PATH_BUFFER * 2];
        ASSERT_TRUE(form_command(out, sizeof out, c.setting, c.module)) << c.setting;
        EXPECT_STREQ(c.command, out) << c.setting;
    }
    char small[16];
    EXPECT_FALSE(form_command(small, sizeof small, "C:\\Virn.exe %mod", "D:\\m\\song.xm"));
    EXPECT_STREQ("", small);
    EXPECT_TRUE(form_command(small, sizeof small, "a %mod", "D:\\abcdefg.xm")); // 15 characters
}

// Another plug-in named by the command and the module's folder are read end to end in
// win_info_box.cpp; here the edges.
TEST(ExternalCommand, PluginsAndFolders)
{
    char path[PATH_BUFFER];
    EXPECT_FALSE(plugin_path(path, std::string(250, 'p').c_str(), "plgin_other.dll"));
    module_folder(path, sizeof path, "D:\\song.xm");
    EXPECT_STREQ("D:\\", path);
    module_folder(path, sizeof path, "song.xm");
    EXPECT_STREQ("", path);
}
