// The information command: an external program started with the module's path (after the
// message box that shows the command), a member copied out of its archive under a safe
// name inside the settings folder, and another input plug-in from the Plugins folder.
#include "win_harness.h"

#include "info_box.h"
#include "packed_modules.h"
#include "zip_writer.h"

#include <string.h>

namespace
{

// Waits for the program started by WinExec to leave its record (it runs on its own).
std::vector<std::string> program_record(const std::string &path)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 3000 && lines.empty(); i++) {
        lines = lines_of(path); // the file may still be held a moment
        if (lines.empty())
            Sleep(10);
    }
    EXPECT_FALSE(lines.empty()) << "the program did not run";
    return lines;
}

class InfoBox : public testing::Test
{
  protected:
    std::string dir, settings, record;
    void SetUp() override
    {
        dir = work_folder();
        settings = dir + "\\settings";
        CreateDirectoryA(settings.c_str(), nullptr);
        plugin_host_start(settings);
        record = dir + "\\args.txt";
        SetEnvironmentVariableA("RECORD_ARGS_OUT", record.c_str());
        SetEnvironmentVariableA("PROBE_LOG", (dir + "\\plugin.log").c_str());
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, unanswered_dialogs()) << "an expected message box never showed";
        release_list();
        SetEnvironmentVariableA("RECORD_ARGS_OUT", nullptr);
        SetEnvironmentVariableA("PROBE_LOG", nullptr);
    }
    void use_program()
    {
        snprintf(g_settings.commandLine, sizeof g_settings.commandLine, "%s\\record_args.exe %%mod",
                 program_folder().c_str());
    }
    std::string archive(const std::string &memberName)
    {
        return save(dir + "\\pack.mdz", zip_write({{memberName, text_of("mod")}}));
    }
};

} // namespace

TEST_F(InfoBox, StartsTheProgramInTheModulesFolder)
{
    use_program();
    std::string folder = dir + "\\my mods";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string module = folder + "\\song.xm";
    ASSERT_TRUE(write_file(module, Bytes{'x', 'm'}));
    std::string command = program_folder() + "\\record_args.exe \"" + module + "\"";
    expect_dialog(message_box("!", command, IDOK)); // the command is shown first
    EXPECT_EQ(0, info_box(module.c_str(), g_host.window));
    // The command line, the current folder, one argument (blanks and all).
    EXPECT_EQ((std::vector<std::string>{command, folder, module}), program_record(record));
}

TEST_F(InfoBox, HostileMemberNamesStayInTheSettingsFolder)
{
    use_program();
    // 0x16 makes the archive library keep the next character, so these names reach the
    // plug-in with their separators, drive and colon.
    struct Case {
        const char *stored;
        const char *copy;
    } cases[] = {
        {"..\x16\\..\x16\\evil.mod", "evil.mod"},
        {"C\x16:\x16\\Windows\x16\\x.mod", "x.mod"},
        {"..", "__"}, // the library keeps a name of dots
    };
    for (const Case &c : cases) {
        std::string pack = archive(c.stored);
        ASSERT_TRUE(expand_archive(pack.c_str()));
        ASSERT_FALSE(g_host.enqueued.empty());
        std::string entry = g_host.enqueued.back();
        g_host.enqueued.clear();
        std::string copy = settings + "\\" + c.copy;
        std::string command = program_folder() + "\\record_args.exe " + copy;
        expect_dialog(message_box("!", command, IDOK));
        DeleteFileA(record.c_str());
        EXPECT_EQ(0, info_box(entry.c_str(), g_host.window));
        EXPECT_EQ((std::vector<std::string>{command, settings, copy}), program_record(record));
        EXPECT_EQ(Bytes({'m', 'o', 'd'}), read_file(copy)) << "the copy stays for the program";
    }
    // Nothing reached the folders above.
    EXPECT_FALSE(file_exists(dir + "\\evil.mod"));
    EXPECT_FALSE(file_exists(dir + "\\..\\evil.mod"));
    EXPECT_FALSE(file_exists("C:\\Windows\\x.mod"));
}

TEST_F(InfoBox, AnotherPluginShowsTheModule)
{
    std::string plugins = settings + "\\Plugins";
    CreateDirectoryA(plugins.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((program_folder() + "\\in_probe.dll").c_str(),
                          (plugins + "\\in_probe.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((program_folder() + "\\pexlin.dll").c_str(),
                          (plugins + "\\in_none.dll").c_str(), FALSE));
    strcpy(g_settings.commandLine, "plgin_probe.dll");
    std::string pack = archive("SONG.MOD");
    std::string plain = dir + "\\plain.xm";
    ASSERT_TRUE(write_file(plain, Bytes{'x'}));
    EXPECT_EQ(0, info_box((pack + "<SONG.MOD").c_str(), g_host.window));
    EXPECT_EQ(0, info_box(plain.c_str(), g_host.window));
    // No export, or no such plug-in: nothing shown, the copy removed all the same.
    strcpy(g_settings.commandLine, "plgin_none.dll");
    EXPECT_EQ(0, info_box((pack + "<SONG.MOD").c_str(), g_host.window));
    strcpy(g_settings.commandLine, "plgin_gone.dll");
    EXPECT_EQ(0, info_box((pack + "<SONG.MOD").c_str(), g_host.window));
    EXPECT_EQ((std::vector<std::string>{"infobox " + settings + "\\SONG.MOD owned",
                                        "infobox " + plain + " owned"}),
              lines_of(dir + "\\plugin.log"));
    EXPECT_EQ(std::vector<std::string>{"Plugins"}, files_in(settings));
}

TEST_F(InfoBox, RefusesWhatItCannotShow)
{
    use_program();
    std::string pack = archive("SONG.MOD");
    // Members that cannot be extracted, entries too long for a path, and no file at all:
    // no message box (one would fail the test), nothing written.
    std::string tooLong = pack + "<" + std::string(300, 'L') + ".MOD";
    const std::string entries[] = {pack + "<MISSING.MOD", dir + "\\gone.mdz<SONG.MOD", tooLong,
                                   std::string(300, 'p') + ".mod", ""};
    for (const std::string &e : entries)
        EXPECT_EQ(0, info_box(e.c_str(), g_host.window));
    EXPECT_TRUE(files_in(settings).empty());
    g_settings.commandLine[0] = 0; // no program set: nothing to run, nothing copied
    EXPECT_EQ(0, info_box((pack + "<SONG.MOD").c_str(), g_host.window));
    EXPECT_TRUE(files_in(settings).empty());
}
