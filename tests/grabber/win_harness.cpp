#include "win_harness.h"

#include "app_state.h"
#include "it_writer.h"
#include "frame.h"
#include "resource.h"
#include "settings_file.h"

#include <stdio.h>

ShellAnswers g_answer;

HWND list_of(HWND moduleWindow)
{
    return FindWindowExA(moduleWindow, nullptr, WC_LISTVIEWA, nullptr);
}

std::string item_text(HWND list, int row, int column)
{
    char text[512] = "";
    ListView_GetItemText(list, row, column, text, sizeof text);
    return text;
}

bool checked(HWND list, int row)
{
    return ListView_GetCheckState(list, row) == 1;
}

void focus_row(HWND list, int row)
{
    ListView_SetItemState(list, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
}

Bytes numbered_it(const std::string &song, int count, int emptyEvery)
{
    ItSong s;
    s.name = song;
    for (uint32_t row = 1; row <= (uint32_t)count; row++)
        if (emptyEvery && row % emptyEvery == 0)
            s.samples.push_back({"", {}, 0}); // no data
        else
            s.samples.push_back({"s" + std::to_string(row),
                                 ramp8(100 + row, (uint8_t)row, (uint8_t)(1 + row % 7)), 1, 1, -1,
                                 0, 0, 8000 + row});
    return write_it(s);
}

// The shell hooks call whatever the running test put in the answers above; a shell dialog
// that no test expects fails it.
static bool unexpected(const char *what)
{
    ADD_FAILURE() << "unexpected " << what;
    return false;
}

static BOOL WINAPI open_thunk(OPENFILENAMEA *o)
{
    return g_answer.open ? g_answer.open(o) : unexpected("open dialog");
}

static BOOL WINAPI save_thunk(OPENFILENAMEA *o)
{
    return g_answer.save ? g_answer.save(o) : unexpected("save dialog");
}

static bool folder_thunk(char *path)
{
    return g_answer.folder ? g_answer.folder(path) : unexpected("folder browser");
}

static BOOL WINAPI write_thunk(HANDLE file, LPCVOID data, DWORD n, LPDWORD written,
                               LPOVERLAPPED overlapped)
{
    if (g_answer.write)
        return g_answer.write(file, data, n, written);
    return WriteFile(file, data, n, written, overlapped);
}

void GrabberTest::SetUp()
{
    static bool ready = app_init(GetModuleHandleA(nullptr));
    ASSERT_TRUE(ready);
    expect_dialog(nullptr); // every dialog is watched from the start
    g_shell.getOpenFileName = open_thunk;
    g_shell.getSaveFileName = save_thunk;
    g_shell.browseForFolder = folder_thunk;
    g_shell.writeFile = write_thunk;
    g_answer = {};
    dir = work_folder();
    // The settings of these frames live in the test's folder.
    save(dir + "\\curset.set", {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0xBB, 0, 0});
    load_settings_from(nullptr, (dir + "\\curset.set").c_str(), (dir + "\\none").c_str());
}

void GrabberTest::TearDown()
{
    if (frame && IsWindow(frame))
        DestroyWindow(frame);
    frame = nullptr;
    pump(); // also takes the WM_QUIT that the frame posted
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    EXPECT_EQ(0u, unanswered_dialogs());
}

HWND GrabberTest::open_frame(const std::vector<std::string> &files)
{
    frame = create_frame(files);
    EXPECT_NE(nullptr, frame);
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);
    pump();
    return frame;
}

std::vector<HWND> GrabberTest::module_windows()
{
    // The MDI client numbers its children from 0 in the order they were made.
    std::vector<HWND> windows;
    while (HWND w = GetDlgItem(g_app.mdiClient, (int)windows.size()))
        windows.push_back(w);
    return windows;
}

HWND GrabberTest::open_one(const std::string &path)
{
    size_t before = module_windows().size();
    open_module_file(path.c_str());
    pump();
    std::vector<HWND> after = module_windows();
    EXPECT_EQ(before + 1, after.size()) << path;
    return after.size() > before ? after.back() : nullptr;
}

HWND GrabberTest::open_numbered(int count, int emptyEvery)
{
    save(dir + "\\m.it", numbered_it("m", count, emptyEvery));
    open_frame();
    return open_one(dir + "\\m.it");
}

void GrabberTest::command(int id)
{
    SendMessageA(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    pump();
}

void GrabberTest::sample_info(HWND list, int row, DialogHandler handler)
{
    focus_row(list, row);
    expect_dialog(handler);
    command(IDM_SAMPLEINFO);
}
