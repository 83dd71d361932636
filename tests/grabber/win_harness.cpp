#include "win_harness.h"

#include "app_state.h"
#include "it_writer.h"
#include "frame.h"
#include "settings_file.h"

#include <commctrl.h>
#include <algorithm>
#include <deque>
#include <stdio.h>

static std::deque<DialogHandler> g_handlers;
static HWND g_answerWindow;
static HHOOK g_hook;

enum { WM_ANSWER = WM_APP + 1 };

std::function<BOOL(OPENFILENAMEA *)> g_openAnswer;
std::function<BOOL(OPENFILENAMEA *)> g_saveAnswer;
std::function<bool(char *)> g_folderAnswer;
std::function<BOOL(HANDLE, LPCVOID, DWORD, LPDWORD)> g_writeAnswer;

std::string window_text(HWND hwnd)
{
    char text[1024] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string dialog_item_text(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

static void close_unexpected(HWND dialog)
{
    ADD_FAILURE() << "unexpected dialog \"" << window_text(dialog)
                  << "\": " << dialog_item_text(dialog, 0xFFFF);
    click(dialog, IDOK);
    if (IsWindow(dialog) && IsWindowVisible(dialog))
        click(dialog, IDCANCEL);
}

static LRESULT CALLBACK answer_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_ANSWER)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    HWND dialog = (HWND)lParam;
    if (!IsWindow(dialog))
        return 0;
    if (g_handlers.empty()) {
        close_unexpected(dialog);
        return 0;
    }
    DialogHandler handler = g_handlers.front();
    g_handlers.pop_front();
    handler(dialog);
    return 0;
}

// Runs after a window procedure: the first showing of a top-level dialog is handed to the
// answer window, whose message the dialog's own modal loop then delivers.
static LRESULT CALLBACK hook_proc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT *c = (const CWPRETSTRUCT *)lParam;
    if (code == HC_ACTION && c->message == WM_SHOWWINDOW && c->wParam) {
        char cls[32] = "";
        GetClassNameA(c->hwnd, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0 && !(GetWindowLongA(c->hwnd, GWL_STYLE) & WS_CHILD))
            PostMessageA(g_answerWindow, WM_ANSWER, 0, (LPARAM)c->hwnd);
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

static void install_answering()
{
    if (g_answerWindow)
        return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = answer_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "GrabberTestAnswers";
    RegisterClassA(&wc);
    g_answerWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     wc.hInstance, nullptr);
    g_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, hook_proc, nullptr, GetCurrentThreadId());
}

void expect_dialog(DialogHandler handler)
{
    g_handlers.push_back(handler);
}

size_t unanswered_dialogs()
{
    size_t n = g_handlers.size();
    g_handlers.clear();
    return n;
}

DialogHandler message_box(const std::string &caption, const std::string &text, int button)
{
    return [=](HWND dialog) {
        EXPECT_EQ(caption, window_text(dialog));
        EXPECT_EQ(text, dialog_item_text(dialog, 0xFFFF));
        click(dialog, button);
    };
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND list_of(HWND moduleWindow)
{
    return FindWindowExA(moduleWindow, nullptr, WC_LISTVIEWA, nullptr);
}

int row_count(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

std::string item_text(HWND list, int row, int column)
{
    char text[512] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item);
    return text;
}

bool checked(HWND list, int row)
{
    return (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void set_checked(HWND list, int row, bool on)
{
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
    SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)&item);
}

void focus_row(HWND list, int row)
{
    LVITEMA item = {};
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    item.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)&item);
}

static void remove_tree(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string work_folder(const std::string &name)
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    std::string root = std::string(current) + "\\grabber-work";
    CreateDirectoryA(root.c_str(), nullptr);
    std::string folder = root + "\\" + name;
    remove_tree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool file_exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void save(const std::string &path, const Bytes &bytes)
{
    ASSERT_TRUE(write_file(path, bytes)) << path;
}

Bytes load(const std::string &path)
{
    return read_file(path);
}

std::vector<std::string> files_in(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

Bytes numbered_it(const std::string &song, int count, int emptyEvery)
{
    ItSong s;
    s.name = song;
    for (int row = 1; row <= count; row++) {
        ItSample sample;
        if (emptyEvery && row % emptyEvery == 0) {
            sample.flags = 0;
            s.samples.push_back(sample);
            continue;
        }
        sample.name = "s" + std::to_string(row);
        sample.c5speed = 8000 + (uint32_t)row;
        sample.data = ramp8(100 + (size_t)row, (uint8_t)row, (uint8_t)(1 + row % 7));
        s.samples.push_back(sample);
    }
    return write_it(s);
}

int run_program(const std::string &commandLine, const std::string &currentFolder)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        currentFolder.empty() ? nullptr : currentFolder.c_str(), &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = (DWORD)-1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

// The shell hooks call whatever the running test put in the answers above.
static BOOL WINAPI open_thunk(OPENFILENAMEA *o)
{
    if (!g_openAnswer) {
        ADD_FAILURE() << "unexpected open dialog";
        return FALSE;
    }
    return g_openAnswer(o);
}

static BOOL WINAPI save_thunk(OPENFILENAMEA *o)
{
    if (!g_saveAnswer) {
        ADD_FAILURE() << "unexpected save dialog";
        return FALSE;
    }
    return g_saveAnswer(o);
}

static bool folder_thunk(char *path)
{
    if (!g_folderAnswer) {
        ADD_FAILURE() << "unexpected folder browser";
        return false;
    }
    return g_folderAnswer(path);
}

static BOOL WINAPI write_thunk(HANDLE file, LPCVOID data, DWORD n, LPDWORD written,
                               LPOVERLAPPED overlapped)
{
    if (g_writeAnswer)
        return g_writeAnswer(file, data, n, written);
    return WriteFile(file, data, n, written, overlapped);
}

void GrabberTest::SetUp()
{
    static bool ready = app_init(GetModuleHandleA(nullptr));
    ASSERT_TRUE(ready);
    install_answering();
    g_shell.getOpenFileName = open_thunk;
    g_shell.getSaveFileName = save_thunk;
    g_shell.browseForFolder = folder_thunk;
    g_shell.writeFile = write_thunk;
    g_openAnswer = nullptr;
    g_saveAnswer = nullptr;
    g_folderAnswer = nullptr;
    g_writeAnswer = nullptr;
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    dir = work_folder(std::string(info->test_suite_name()) + "." + info->name());
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
    std::vector<std::pair<int, HWND>> found;
    for (HWND w = GetWindow(g_app.mdiClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (strcmp(cls, "MDI_Child") == 0)
            found.push_back({GetDlgCtrlID(w), w});
    }
    std::sort(found.begin(), found.end());
    std::vector<HWND> windows;
    for (auto &f : found)
        windows.push_back(f.second);
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

void GrabberTest::command(int id)
{
    SendMessageA(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    pump();
}
