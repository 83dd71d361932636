// The about box (resource 103) in this process: its links change colour by state (read
// back from the drawn pixels), show the hand cursor while hovered, open their target when
// released over, and Escape leaves the box open.
#include "win_harness.h"
#include "win_picture.h"

#include "about_box.h"
#include <shellapi.h>
#include "resource.h"

namespace
{

std::vector<std::string> g_opened;

HINSTANCE WINAPI record_open(HWND, LPCSTR verb, LPCSTR target, LPCSTR, LPCSTR, INT)
{
    EXPECT_STREQ("open", verb);
    g_opened.push_back(target);
    return (HINSTANCE)33;
}

const COLORREF Normal = RGB(0, 0, 188), Hovered = RGB(0, 0, 255), Pressed = RGB(222, 0, 0);

} // namespace

TEST(AboutBox, LinksByState)
{
    plugin_host_start(work_folder("about"));
    about_box_init(g_pluginInstance);
    g_openLink = record_open;
    g_opened.clear();
    HCURSOR hand = LoadCursorA(g_pluginInstance, MAKEINTRESOURCEA(IDR_HAND_CURSOR));
    ASSERT_NE(nullptr, hand);
    expect_dialog([hand](HWND box) {
        screenshot(box, "plugin-about");
        const int links[] = {IDC_LINK_MAIL, IDC_LINK_LIBRARY, IDC_LINK_SUPPORT};
        for (int id : links) {
            HWND link = GetDlgItem(box, id);
            SCOPED_TRACE(id);
            EXPECT_GT(pixels_of(link, Normal), 0);
            EXPECT_EQ(HTCLIENT, SendMessageA(link, WM_NCHITTEST, 0, 0));
            SendMessageA(link, WM_SETCURSOR, (WPARAM)link, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            EXPECT_EQ(link, GetCapture());
            EXPECT_EQ(hand, GetCursor());
            EXPECT_GT(pixels_of(link, Hovered), 0);
            EXPECT_EQ(0, pixels_of(link, Normal));
            SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            EXPECT_GT(pixels_of(link, Pressed), 0);
            SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            // Moving off the link lets it go: normal colour and the arrow again.
            SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            EXPECT_EQ(link, GetCapture()) << "still over the link";
            SendMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(5000, 2));
            EXPECT_EQ(nullptr, GetCapture());
            EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), GetCursor());
            EXPECT_GT(pixels_of(link, Normal), 0);
            // A release without a press opens nothing.
            SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        }
        click(box, IDCANCEL); // Escape
        EXPECT_TRUE(IsWindow(box));
        click(box, IDOK);
    });
    about_box(g_host.window);
    EXPECT_EQ((std::vector<std::string>{"mailto:quorvel@example.org", "http://bass.example.org/",
                                        "http://modules.example.net/"}),
              g_opened);
    EXPECT_EQ(0u, unanswered_dialogs());
    g_openLink = ShellExecuteA;
}
