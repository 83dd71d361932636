#include "win_harness.h"

#include "plugin_state.h"
#include "winamp_records.h"

#include <algorithm>
#include <deque>

FakeHost g_fakeHost;

static LRESULT CALLBACK fake_host_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER && lParam == IPC_PLAYFILE) {
        const EnqueueFile *e = (const EnqueueFile *)wParam;
        EXPECT_EQ(nullptr, e->title);
        EXPECT_EQ(0, e->length);
        g_fakeHost.enqueued.push_back(e->filename);
        return 0;
    }
    if (message == WM_USER && lParam == IPC_GETINIDIRECTORY)
        return (LRESULT)g_fakeHost.settingsDir.c_str();
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void fake_host_start(const std::string &settingsDir)
{
    g_fakeHost.settingsDir = settingsDir;
    g_fakeHost.enqueued.clear();
    if (!g_fakeHost.window) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = fake_host_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PluginTestHost";
        RegisterClassA(&wc);
        g_fakeHost.window = CreateWindowExA(0, wc.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0,
                                            100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    }
    g_hostWindow = g_fakeHost.window;
    g_pluginInstance = GetModuleHandleA(nullptr); // the test links the dialog resources
}

static std::deque<DialogHandler> g_handlers;
static HWND g_answerWindow;
static HHOOK g_hook;
enum { WM_ANSWER = WM_APP + 1 };

std::string window_text(HWND hwnd)
{
    char text[1024] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string item_text(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

bool is_checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

static LRESULT CALLBACK answer_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_ANSWER)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    HWND dialog = (HWND)lParam;
    if (!IsWindow(dialog))
        return 0;
    if (g_handlers.empty()) {
        ADD_FAILURE() << "unexpected dialog \"" << window_text(dialog)
                      << "\": " << item_text(dialog, 0xFFFF);
        click(dialog, IDCANCEL);
        if (IsWindow(dialog))
            click(dialog, IDOK);
        return 0;
    }
    DialogHandler handler = g_handlers.front();
    g_handlers.pop_front();
    handler(dialog);
    return 0;
}

// Runs after each window procedure of this thread: the first showing of a top-level
// dialog is posted to the answer window, which the dialog's own modal loop then serves.
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

void expect_dialog(DialogHandler handler)
{
    if (!g_answerWindow) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = answer_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PluginTestAnswers";
        RegisterClassA(&wc);
        g_answerWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, wc.hInstance, nullptr);
        g_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, hook_proc, nullptr, GetCurrentThreadId());
    }
    g_handlers.push_back(handler);
}

size_t unanswered_dialogs()
{
    size_t n = g_handlers.size();
    g_handlers.clear();
    return n;
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
    // Beside the test program: the information command changes the current folder.
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string root = program;
    root = root.substr(0, root.rfind('\\')) + "\\plugin-work";
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

std::vector<std::string> files_in(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    std::sort(names.begin(), names.end());
    return names;
}
