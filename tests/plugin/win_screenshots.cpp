// Pictures of the plug-in's configuration dialog and about box for the README, taken by
// `make screenshots` (plugin/tools/screenshots), which runs this disabled test with
// PLUGIN_SCREENSHOTS set to a folder. Each dialog is copied from the screen into a 24-bit
// BMP there.
#include "win_harness.h"
#include "win_picture.h"

#include "about_box.h"
#include "config_dialog.h"

#include <stdlib.h>
#include <string.h>

TEST(PluginPictures, DISABLED_Dialogs)
{
    const char *folder = getenv("PLUGIN_SCREENSHOTS");
    ASSERT_NE(nullptr, folder) << "PLUGIN_SCREENSHOTS names the output folder";
    std::string config = std::string(folder) + "\\plugin-config.bmp";
    std::string about = std::string(folder) + "\\plugin-about.bmp";
    plugin_host_start(work_folder("pictures"));
    settings_defaults(&g_settings);
    strcpy(g_settings.commandLine, "C:\\Program Files\\Virn\\Virn.exe %mod");
    g_pendingLibraryOutput = 0;
    expect_dialog([config](HWND dialog) {
        EXPECT_TRUE(save_window_picture(dialog, config));
        click(dialog, IDCANCEL);
    });
    config_dialog(g_host.window);
    about_box_init(g_pluginInstance);
    expect_dialog([about](HWND dialog) {
        EXPECT_TRUE(save_window_picture(dialog, about));
        click(dialog, IDOK);
    });
    about_box(g_host.window);
    EXPECT_EQ(0u, unanswered_dialogs());
}
