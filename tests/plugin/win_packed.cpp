// Quorvel.cfg through the Windows file calls (the file beside the program is what the
// playback tests write), and images and records released as they should be. The packed
// list's rules are tested natively over the same archive code; the road through pexlin.dll
// and the host's window is played end to end in win_playback.cpp.
#include "win_harness.h"

#include "packed_modules.h"
#include "settings_file.h"
#include "zip_writer.h"

#include <string.h>

TEST(SettingsFileOnDisk, ReadAtInitWrittenAtQuit)
{
    std::string dir = work_folder("settings");
    std::string path = dir + "\\Quorvel.cfg";
    struct Case {
        const char *what;
        Bytes file; // empty: no file
        uint32_t frequency;
        const char *commandLine;
    } cases[] = {
        {"no file", {}, 44100, ""},
        {"14 bytes", Bytes(14, 1), 44100, ""},
        {"15 bytes", {0, 0x20, 0, 0, 0x22, 0x56, 0, 0, 16, 0, 0, 0, 0, 2, 1}, 22050, ""},
    };
    for (const Case &c : cases) {
        DeleteFileA(path.c_str());
        if (!c.file.empty()) {
            ASSERT_TRUE(write_file(path, c.file));
        }
        memset(&g_settings, 0x77, sizeof g_settings);
        load_settings_from(path.c_str());
        EXPECT_EQ(c.frequency, g_settings.frequency) << c.what;
        EXPECT_STREQ(c.commandLine, g_settings.commandLine) << c.what;
        EXPECT_EQ((LONG)g_settings.libraryOutput, g_pendingLibraryOutput) << c.what;
    }
    // A command line is read behind the block, a long one cut; what is written is the 15
    // bytes and the text.
    Bytes longer = {0, 0x20, 0, 0, 0x44, 0xAC, 0, 0, 16, 0, 0, 0, 0, 2, 0};
    longer.insert(longer.end(), 1000, 'c');
    ASSERT_TRUE(write_file(path, longer));
    load_settings_from(path.c_str());
    EXPECT_EQ(259u, strlen(g_settings.commandLine));
    save_settings_to(path.c_str());
    EXPECT_EQ(Bytes(longer.begin(), longer.begin() + 15 + 259), read_file(path));
    // A folder that cannot be written: nothing happens.
    save_settings_to((dir + "\\no-such-folder\\Quorvel.cfg").c_str());
}

TEST(PackedModules, PlainFilesAndReleasing)
{
    std::string dir = work_folder();
    plugin_host_start(dir);
    std::string plain = dir + "\\plain.xm";
    ASSERT_TRUE(write_file(plain, Bytes{1, 2, 3}));
    ModuleImage image;
    ASSERT_TRUE(load_image(plain.c_str(), &image));
    EXPECT_TRUE(image.owned);
    MEMORY_BASIC_INFORMATION info;
    ASSERT_NE(0u, VirtualQuery(image.bytes, &info, sizeof info));
    EXPECT_EQ(image.bytes, info.AllocationBase) << "a block of its own";
    release_image(&image);
    EXPECT_EQ(nullptr, image.bytes);
    std::string empty = dir + "\\empty.xm";
    ASSERT_TRUE(write_file(empty, Bytes()));
    EXPECT_FALSE(load_image(empty.c_str(), &image));
    EXPECT_FALSE(load_image((dir + "\\missing.xm").c_str(), &image));

    // Records and their blocks go back to the system at release.
    std::string a = save(dir + "\\r.mdz", zip_write({{"R.IT", Bytes(70000, 'r'), 8}}));
    ASSERT_TRUE(expand_archive(a.c_str()));
    void *data = g_packedList.head->data;
    release_list();
    EXPECT_EQ(nullptr, g_packedList.head);
    EXPECT_TRUE(VirtualQuery(data, &info, sizeof info) == 0 || info.State == MEM_FREE);
}
