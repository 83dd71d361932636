// The frame: files opened from the command line, by drag-and-drop, from the open dialog
// and from archives (a window for every module inside); window titles; closing; the
// about box.
#include "win_harness.h"
#include "win_picture.h"

#include "it_writer.h"
#include "zip_writer.h"

#include "app_state.h"
#include "command_line.h"
#include "frame.h"
#include "resource.h"

#include <shlobj.h>

namespace
{

const char NotAModule[] = "Does not looks like supported module...";

// A drop of files as the shell hands it over (ANSI names, double-zero terminated).
HDROP make_drop(const std::vector<std::string> &files)
{
    std::string names;
    for (const std::string &f : files)
        names += f + '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() + 1); // zeroed
    DROPFILES *drop = (DROPFILES *)GlobalLock(memory);
    drop->pFiles = sizeof(DROPFILES);
    memcpy(drop + 1, names.data(), names.size());
    GlobalUnlock(memory);
    return (HDROP)memory;
}

// Command-line names that cannot be opened (one that kept its quotes, one that does not
// exist) leave no window and no message; files that are not modules warn and close.
TEST_F(GrabberTest, FilesThatCannotBeOpenedLeaveNoWindow)
{
    save(dir + "\\notes.txt", word_text(3000, 7));
    save(dir + "\\empty.mod", {});
    save(dir + "\\text.zip", zip_write({{"readme.txt", word_text(500, 3), 8}})); // no module
    open_frame({"\"" + dir + "\\a.it\"", dir + "\\missing.it"});
    EXPECT_EQ("Virn", window_text(frame));
    for (const char *name : {"notes.txt", "empty.mod", "text.zip"}) {
        expect_dialog([](HWND box) {
            screenshot(box, "not-a-module");
            message_box("Virn", NotAModule, IDOK)(box);
        });
        open_module_file((dir + "\\" + name).c_str());
        pump();
    }
    EXPECT_TRUE(module_windows().empty());
}

TEST_F(GrabberTest, OpenDialogAndDroppedFilesOpenInOrderAndClose)
{
    save(dir + "\\a.it", numbered_it("opened", 1));
    open_frame();
    g_answer.open = [&](OPENFILENAMEA *o) {
        EXPECT_EQ(o->lpstrFile[0], 0);
        lstrcpynA(o->lpstrFile, (dir + "\\a.it").c_str(), (int)o->nMaxFile);
        return TRUE;
    };
    command(IDM_OPEN);
    g_answer.open = [](OPENFILENAMEA *) { return FALSE; }; // cancelled
    command(IDM_OPEN);
    std::vector<std::string> files;
    for (const char *name : {"c", "a", "b"}) {
        save(dir + "\\" + name + "2.it", numbered_it(std::string("song ") + name, 1));
        files.push_back(dir + "\\" + name + "2.it");
    }
    SendMessageA(frame, WM_DROPFILES, (WPARAM)make_drop(files), 0);
    pump();
    std::vector<HWND> windows = module_windows();
    std::vector<std::string> titles,
        expected = {"opened [a.it]", "song c [c2.it]", "song a [a2.it]", "song b [b2.it]"};
    for (HWND w : windows)
        titles.push_back(window_text(w));
    EXPECT_EQ(expected, titles);
    ASSERT_EQ(4u, windows.size());
    SendMessageA(g_app.mdiClient, WM_MDIACTIVATE, (WPARAM)windows[2], 0);
    EXPECT_EQ("song a - Virn", window_text(frame));
    command(IDM_CLOSE);
    EXPECT_EQ(3u, module_windows().size());
    EXPECT_FALSE(IsWindow(windows[2]));
    command(IDM_CLOSEALL);
    EXPECT_TRUE(module_windows().empty());
    EXPECT_EQ("Virn", window_text(frame));
    // With no module window, module commands do nothing.
    for (int id : {IDM_CHECKALL, IDM_RESETSELECTION, IDM_GRABCURRENT, IDM_PLAY, IDM_SAMPLEINFO,
                   IDM_CLOSE, IDM_NEXT})
        command(id);
}

TEST_F(GrabberTest, EachModuleInAnArchiveOpens)
{
    Bytes zip = zip_write({{"NUMBERS.IT", numbered_it("Counting song", 12, 5), 8},
                           {"readme.txt", word_text(500, 3), 8},
                           {"DEMO.IT", demo_it_module(), 0}});
    save(dir + "\\pack.MDZ", zip);
    open_frame({dir + "\\pack.MDZ"});
    std::vector<HWND> windows = module_windows();
    ASSERT_EQ(2u, windows.size());
    EXPECT_EQ("Counting song [pack.MDZ<NUMBERS.IT]", window_text(windows[0]));
    EXPECT_EQ("Virn demo [pack.MDZ<DEMO.IT]", window_text(windows[1]));
    HWND demo = list_of(windows[1]);
    EXPECT_EQ(4, ListView_GetItemCount(demo));
    // The README's picture: both windows tiled in a frame of 640 by 480, two rows checked.
    MoveWindow(frame, 40, 40, 640, 480, TRUE);
    ListView_SetCheckState(demo, 0, true);
    ListView_SetCheckState(demo, 2, true);
    command(IDM_TILEHORZ);
    screenshot(frame, "frame");
    // Content decides: a module named as an archive opens as the module it is.
    save(dir + "\\plain.zip", numbered_it("really an it", 1));
    EXPECT_EQ("really an it [plain.zip]", window_text(open_one(dir + "\\plain.zip")));
}

TEST_F(GrabberTest, AboutBoxClosesOnlyOnOk)
{
    open_frame();
    expect_dialog([](HWND dialog) {
        screenshot(dialog, "about");
        EXPECT_EQ("About...", window_text(dialog));
        click(dialog, IDCANCEL);
        EXPECT_TRUE(IsWindowVisible(dialog));
        click(dialog, IDOK);
    });
    command(IDM_ABOUT);
}

TEST_F(GrabberTest, ToolbarShowsTheStripOnTheButtonFace)
{
    open_frame();
    int index = (int)SendMessageA(g_app.toolbar, TB_COMMANDTOINDEX, IDM_PLAY, 0);
    RECT r;
    SendMessageA(g_app.toolbar, TB_GETITEMRECT, index, (LPARAM)&r);
    // The strip's grey background became the face colour; the play triangle kept its green.
    EXPECT_GT(pixels_of(g_app.toolbar, RGB(20, 150, 40), &r), 100);
    const COLORREF grey = RGB(192, 192, 192);
    EXPECT_EQ(0, GetSysColor(COLOR_BTNFACE) == grey ? 0 : pixels_of(g_app.toolbar, grey, &r));
}

} // namespace
