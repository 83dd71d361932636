// The configuration dialog (resource 101) driven in this process: what it shows, what
// closing makes of the choices, the output check box's immediate effect, Browse.
#include "win_harness.h"
#include "win_picture.h"

#include "config_dialog.h"
#include "resource.h"

#include <string.h>

namespace
{

const int SurroundControls[] = {IDC_SURROUND_GROUP, IDC_SURROUND_1, IDC_SURROUND_2,
                                IDC_SURROUND_NONE};

bool surround_enabled(HWND dialog, bool enabled)
{
    for (int id : SurroundControls)
        if ((IsWindowEnabled(GetDlgItem(dialog, id)) != 0) != enabled)
            return false;
    return true;
}

// The settings as the 15-byte block of the file.
Bytes block()
{
    uint8_t bytes[SETTINGS_FILE_MAX];
    settings_to_bytes(&g_settings, bytes);
    return Bytes(bytes, bytes + SETTINGS_BLOCK_SIZE);
}

// The program picker, asked from the dialog with an empty name of up to 260 characters.
BOOL WINAPI pick_program(OPENFILENAMEA *r)
{
    EXPECT_NE(nullptr, GetDlgItem(r->hwndOwner, IDC_BROWSE)) << "not owned by the dialog";
    EXPECT_EQ(260u, r->nMaxFile);
    EXPECT_STREQ("", r->lpstrFile);
    strcpy(r->lpstrFile, "C:\\Tools\\Virn.exe");
    return TRUE;
}

class ConfigDialogTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        plugin_host_start(work_folder("config"));
        settings_defaults(&g_settings);
        g_pendingLibraryOutput = 0;
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, unanswered_dialogs()) << "the dialog never showed";
        g_pickProgram = GetOpenFileNameA;
    }
};

} // namespace

TEST_F(ConfigDialogTest, OpensWithTheSettingsAndCancelKeepsThem)
{
    // Flags, rate, bits, device flags, channels, own output, command line.
    g_settings = {0x6462, 22050, 8, 1, 1, 1, "C:\\Virn.exe %mod"};
    g_pendingLibraryOutput = 1;
    Settings before = g_settings;
    expect_dialog([](HWND d) {
        const int on[] = {
            IDC_LIBRARY_OUTPUT, IDC_SURROUND_2, IDC_RAMP_SENSITIVE, IDC_NO_INTERPOLATION,
            IDC_MOD_PT1,        IDC_MONO,       IDC_8BIT,           IDC_FREQ_22050};
        const int off[] = {IDC_SURROUND_1, IDC_SURROUND_NONE, IDC_RAMP_FT2,  IDC_RAMP_NONE,
                           IDC_MOD_FT2,    IDC_MOD_NORMAL,    IDC_STEREO,    IDC_16BIT,
                           IDC_FREQ_11025, IDC_FREQ_44100,    IDC_FREQ_48000};
        for (int id : on)
            EXPECT_TRUE(is_checked(d, id)) << id;
        for (int id : off)
            EXPECT_FALSE(is_checked(d, id)) << id;
        EXPECT_TRUE(surround_enabled(d, true));
        EXPECT_EQ("C:\\Virn.exe %mod", dialog_item_text(d, IDC_COMMAND_LINE));
        // Unticking greys the surround group at once and is pending at once ...
        SendDlgItemMessageA(d, IDC_LIBRARY_OUTPUT, BM_CLICK, 0, 0);
        EXPECT_FALSE(is_checked(d, IDC_LIBRARY_OUTPUT));
        EXPECT_TRUE(surround_enabled(d, false));
        EXPECT_EQ(0, g_pendingLibraryOutput);
        CheckRadioButton(d, IDC_FREQ_11025, IDC_FREQ_48000, IDC_FREQ_48000);
        SetDlgItemTextA(d, IDC_COMMAND_LINE, "changed");
        click(d, IDCANCEL);
    });
    config_dialog(g_host.window);
    // ... but Cancel leaves every setting, the pending choice too, as it was.
    EXPECT_EQ(0, memcmp(&before, &g_settings, sizeof before));
    EXPECT_EQ(1, g_pendingLibraryOutput);
}

TEST_F(ConfigDialogTest, OkComposesTheFlags)
{
    expect_dialog([](HWND d) {
        EXPECT_TRUE(surround_enabled(d, false)); // defaults: the plug-in's own output
        EXPECT_TRUE(is_checked(d, IDC_SURROUND_NONE));
        EXPECT_TRUE(is_checked(d, IDC_FREQ_44100));
        SendDlgItemMessageA(d, IDC_LIBRARY_OUTPUT, BM_CLICK, 0, 0);
        EXPECT_TRUE(surround_enabled(d, true));
        EXPECT_EQ(1, g_pendingLibraryOutput);
        CheckRadioButton(d, IDC_8BIT, IDC_16BIT, IDC_8BIT);
        CheckRadioButton(d, IDC_MONO, IDC_STEREO, IDC_MONO);
        CheckRadioButton(d, IDC_SURROUND_1, IDC_SURROUND_NONE, IDC_SURROUND_2);
        CheckRadioButton(d, IDC_RAMP_FT2, IDC_RAMP_NONE, IDC_RAMP_SENSITIVE);
        CheckDlgButton(d, IDC_MOD_NORMAL, BST_UNCHECKED);
        CheckDlgButton(d, IDC_MOD_PT1, BST_CHECKED);
        CheckRadioButton(d, IDC_FREQ_11025, IDC_FREQ_48000, IDC_FREQ_22050);
        SendDlgItemMessageA(d, IDC_NO_INTERPOLATION, BM_CLICK, 0, 0);
        click(d, IDOK);
    });
    config_dialog(g_host.window);
    // Flags 0x6462, 22050 Hz, 8 bits, device flag 1, mono; the song playing keeps its
    // output path (the last byte) while the new one is pending.
    EXPECT_EQ(Bytes({0x62, 0x64, 0, 0, 0x22, 0x56, 0, 0, 8, 1, 0, 0, 0, 1, 0}), block());
    EXPECT_EQ(1, g_pendingLibraryOutput);

    // 8 bit without library output: the bits stay, device flag 1 goes; the close box
    // applies like OK.
    expect_dialog([](HWND d) {
        SendDlgItemMessageA(d, IDC_LIBRARY_OUTPUT, BM_CLICK, 0, 0);
        EXPECT_TRUE(surround_enabled(d, false));
        CheckRadioButton(d, IDC_MONO, IDC_STEREO, IDC_STEREO);
        SendMessageA(d, WM_CLOSE, 0, 0);
    });
    g_settings.bits = 16;
    config_dialog(g_host.window);
    EXPECT_EQ(Bytes({0x22, 0x60, 0x20, 0, 0x22, 0x56, 0, 0, 16, 0, 0, 0, 0, 2, 0}), block());
    EXPECT_EQ(0, g_pendingLibraryOutput);
}

TEST_F(ConfigDialogTest, BrowsePutsTheProgramBeforePercentMod)
{
    g_pickProgram = pick_program;
    expect_dialog([](HWND d) {
        click(d, IDC_BROWSE);
        EXPECT_EQ("C:\\Tools\\Virn.exe %mod", dialog_item_text(d, IDC_COMMAND_LINE));
        screenshot(d, "plugin-config");
        click(d, IDOK);
    });
    config_dialog(g_host.window);
    EXPECT_STREQ("C:\\Tools\\Virn.exe %mod", g_settings.commandLine);
}
