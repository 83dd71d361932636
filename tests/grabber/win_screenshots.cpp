// Pictures of the grabber's windows for the README, taken by `make screenshots`
// (grabber/tools/screenshots), which runs this disabled test with GRABBER_SCREENSHOTS
// set to a folder. Each window is copied from the screen into a 24-bit BMP there.
#include "win_harness.h"
#include "win_picture.h"

#include "it_writer.h"

#include "app_state.h"
#include "frame.h"
#include "resource.h"

#include <stdlib.h>

namespace
{

std::string g_folder;

void capture(HWND window, const std::string &name)
{
    EXPECT_TRUE(save_window_picture(window, g_folder + "\\" + name + ".bmp")) << name;
}

TEST_F(GrabberTest, DISABLED_Screenshots)
{
    const char *folder = getenv("GRABBER_SCREENSHOTS");
    ASSERT_NE(nullptr, folder) << "GRABBER_SCREENSHOTS names the output folder";
    g_folder = folder;
    save(dir + "\\demo.it", demo_it_module());
    save(dir + "\\numbers.it", numbered_it("Counting song", 12, 5));
    open_frame({dir + "\\numbers.it", dir + "\\demo.it"});
    MoveWindow(frame, 40, 40, 640, 480, TRUE);
    HWND list = list_of(module_windows()[1]);
    ListView_SetCheckState(list, 0, true);
    ListView_SetCheckState(list, 2, true);
    command(IDM_TILEHORZ);
    capture(frame, "frame");

    // The dialogs, the sample info dialog with one edited field, tinted.
    HWND active = (HWND)SendMessageA(g_app.mdiClient, WM_MDIGETACTIVE, 0, 0);
    focus_row(list_of(active), 0);
    const struct {
        int command;
        const char *name;
    } dialogs[] = {{IDM_ABOUT, "about"},
                   {IDM_SOUNDPREFS, "sound-preferences"},
                   {IDM_SAMPLEINFO, "sample-info"}};
    for (const auto &d : dialogs) {
        expect_dialog([&](HWND dialog) {
            if (d.command == IDM_SAMPLEINFO)
                SetDlgItemInt(dialog, IDC_RATE, GetDlgItemInt(dialog, IDC_RATE, nullptr, FALSE) + 1,
                              FALSE);
            capture(dialog, d.name);
            click(dialog, IDCANCEL);
            if (IsWindow(dialog))
                click(dialog, IDOK); // the about box closes only on OK
        });
        command(d.command);
    }
    save(dir + "\\notes.txt", word_text(100, 1));
    expect_dialog([](HWND dialog) {
        capture(dialog, "not-a-module");
        click(dialog, IDOK);
    });
    open_module_file((dir + "\\notes.txt").c_str());
    pump();
}

} // namespace
