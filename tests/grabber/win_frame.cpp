// The frame: files opened from the command line, by drag-and-drop and from the open
// dialog; window titles; closing; the about box.
#include "win_harness.h"
#include "win_picture.h"

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
    size_t chars = 1;
    for (const std::string &f : files)
        chars += f.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars);
    DROPFILES *drop = (DROPFILES *)GlobalLock(memory);
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char *p = (char *)(drop + 1);
    for (const std::string &f : files) {
        memcpy(p, f.c_str(), f.size() + 1);
        p += f.size() + 1;
    }
    GlobalUnlock(memory);
    return (HDROP)memory;
}

std::vector<std::string> titles(const std::vector<HWND> &windows)
{
    std::vector<std::string> t;
    for (HWND w : windows)
        t.push_back(window_text(w));
    return t;
}

TEST_F(GrabberTest, FilesThatCannotBeOpenedLeaveNoWindowAndNoMessage)
{
    // A name that kept its quotes, and one that does not exist.
    open_frame({"\"" + dir + "\\a.it\"", dir + "\\missing.it"});
    EXPECT_TRUE(module_windows().empty());
    EXPECT_EQ("Virn", window_text(frame));
}

TEST_F(GrabberTest, NotAModuleWarnsAndCloses)
{
    save(dir + "\\notes.txt", word_text(3000, 7));
    save(dir + "\\empty.mod", {});
    open_frame();
    expect_dialog(message_box("Virn", NotAModule, IDOK));
    open_module_file((dir + "\\notes.txt").c_str());
    expect_dialog(message_box("Virn", NotAModule, IDOK));
    open_module_file((dir + "\\empty.mod").c_str());
    pump();
    EXPECT_TRUE(module_windows().empty());
}

TEST_F(GrabberTest, DroppedFilesOpenInDropOrder)
{
    open_frame();
    std::vector<std::string> files;
    for (const char *name : {"c", "a", "b"}) {
        save(dir + "\\" + name + ".it", numbered_it(std::string("song ") + name, 1));
        files.push_back(dir + "\\" + name + ".it");
    }
    SendMessageA(frame, WM_DROPFILES, (WPARAM)make_drop(files), 0);
    pump();
    std::vector<std::string> expected = {"song c [c.it]", "song a [a.it]", "song b [b.it]"};
    EXPECT_EQ(expected, titles(module_windows()));
}

TEST_F(GrabberTest, OpenDialogOffersModulesAndArchives)
{
    save(dir + "\\a.it", numbered_it("opened", 1));
    open_frame();
    std::string filter;
    g_openAnswer = [&](OPENFILENAMEA *o) {
        for (const char *p = o->lpstrFilter; *p; p += strlen(p) + 1)
            filter += std::string(p) + "|";
        EXPECT_EQ(o->lpstrFile[0], 0);
        lstrcpynA(o->lpstrFile, (dir + "\\a.it").c_str(), (int)o->nMaxFile);
        return TRUE;
    };
    command(IDM_OPEN);
    EXPECT_NE(std::string::npos, filter.find("*.it; *.s3m; *.mod; *.xm; *.stm; *.ptm; *.dbm; "
                                             "*.umx; *.mtm; *.psm; *.ult; *.mdz; *.s3z; "
                                             "*.xmz; *.itz; *.zip|"));
    EXPECT_NE(std::string::npos, filter.find("|All Files|*.*|"));
    ASSERT_EQ(1u, module_windows().size());
    EXPECT_EQ("opened [a.it]", window_text(module_windows()[0]));

    g_openAnswer = [](OPENFILENAMEA *) { return FALSE; }; // cancelled
    command(IDM_OPEN);
    EXPECT_EQ(1u, module_windows().size());
}

TEST_F(GrabberTest, ActivationTitlesAndCloseAll)
{
    open_frame();
    for (int i = 0; i < 4; i++) {
        std::string path = dir + "\\m" + std::to_string(i) + ".it";
        save(path, numbered_it("song" + std::to_string(i), 1));
        open_one(path);
    }
    std::vector<HWND> windows = module_windows();
    ASSERT_EQ(4u, windows.size());
    SendMessageA(g_app.mdiClient, WM_MDIACTIVATE, (WPARAM)windows[1], 0);
    EXPECT_EQ("song1 - Virn", window_text(frame));
    command(IDM_CLOSE);
    EXPECT_EQ(3u, module_windows().size());
    EXPECT_FALSE(IsWindow(windows[1]));
    command(IDM_CLOSEALL);
    EXPECT_TRUE(module_windows().empty());
    EXPECT_EQ("Virn", window_text(frame));
    // With no module window, module commands do nothing.
    for (int id : {IDM_CHECKALL, IDM_RESETSELECTION, IDM_GRABCURRENT, IDM_PLAY, IDM_SAMPLEINFO,
                   IDM_CLOSE, IDM_NEXT})
        command(id);
}

TEST_F(GrabberTest, AboutBoxClosesOnlyOnOk)
{
    open_frame();
    expect_dialog([](HWND dialog) {
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
    EXPECT_EQ(12, (int)SendMessageA(g_app.toolbar, TB_BUTTONCOUNT, 0, 0));
    TBBUTTON play = {};
    int index = (int)SendMessageA(g_app.toolbar, TB_COMMANDTOINDEX, IDM_PLAY, 0);
    ASSERT_TRUE(SendMessageA(g_app.toolbar, TB_GETBUTTON, index, (LPARAM)&play));
    EXPECT_EQ(5, play.iBitmap);
    RECT r;
    SendMessageA(g_app.toolbar, TB_GETITEMRECT, index, (LPARAM)&r);
    // The strip's grey background became the face colour; the play triangle kept its green.
    EXPECT_GT(pixels_of(g_app.toolbar, RGB(20, 150, 40), &r), 100);
    const COLORREF grey = RGB(192, 192, 192);
    EXPECT_EQ(0, GetSysColor(COLOR_BTNFACE) == grey ? 0 : pixels_of(g_app.toolbar, grey, &r));
}

} // namespace
