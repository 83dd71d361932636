// The settings file the installer writes for a grabber installed on its own, and the
// paths it forms.
#include <gtest/gtest.h>

#include <string>

#include "settings_image.h"

namespace
{

const std::string Defaults("\x00\x20\x20\x00\x44\xAC\x00\x00\x10\x00\x00\x00\x00\x02\x00", 15);

TEST(SettingsImage, KeepsAnExistingBlockAndReplacesTheCommand)
{
    const std::string custom("\x62\x64\x00\x00\x22\x56\x00\x00\x08\x01\x00\x00\x00\x01\x01", 15);
    struct Case {
        const char *what;
        std::string existing; // "-": no file
        std::string expected;
    } cases[] = {
        {"no file", "-", Defaults + "C:\\G\\Virn\\Virn.exe %mod"},
        {"block and old command", custom + "old.exe %mod", custom + "C:\\G\\Virn\\Virn.exe %mod"},
        {"block alone", custom, custom + "C:\\G\\Virn\\Virn.exe %mod"},
        {"too short for a block: the plug-in reads defaults", custom.substr(0, 14),
         Defaults + "C:\\G\\Virn\\Virn.exe %mod"},
    };
    for (const Case &c : cases) {
        char command[64];
        ASSERT_TRUE(grabber_command_line("C:\\G\\Virn\\Virn.exe", command, sizeof command));
        uint8_t out[SETUP_SETTINGS_MAX];
        bool none = c.existing == "-";
        size_t n = settings_with_command(none ? nullptr : (const uint8_t *)c.existing.data(),
                                         none ? 0 : c.existing.size(), command, out, sizeof out);
        EXPECT_EQ(c.expected, std::string((const char *)out, n)) << c.what;
    }
    uint8_t small[20];
    EXPECT_EQ(0u,
              settings_with_command(nullptr, 0, "C:\\G\\Virn\\Virn.exe %mod", small, sizeof small));
}

TEST(SettingsImage, JoinsPathsWithinTheirBuffer)
{
    struct Case {
        const char *folder, *name;
        size_t size;
        const char *expected; // "" when it does not fit
    } cases[] = {
        {"C:\\Winamp", "Plugins", 64, "C:\\Winamp\\Plugins"},
        {"C:\\", "Virn", 64, "C:\\Virn"},
        {"D:\\Music\\\\", "Quorvel.cfg", 64, "D:\\Music\\Quorvel.cfg"},
        {"C:\\abc", "de", 10, "C:\\abc\\de"},
        {"C:\\abc", "def", 10, ""},
    };
    for (const Case &c : cases) {
        char out[64] = "x";
        EXPECT_EQ(c.expected[0] != 0, join_path(c.folder, c.name, out, c.size)) << c.expected;
        EXPECT_STREQ(c.expected, out);
    }
}

} // namespace
