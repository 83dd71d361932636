#include "win_dialogs.h"

#include <gtest/gtest.h>

#include <deque>

static std::deque<DialogHandler> g_handlers;
static HWND g_answerWindow;
static HHOOK g_hook;
enum { WM_ANSWER = WM_APP + 1 };

std::string window_text(HWND hwnd)
{
    char text[2048] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string dialog_item_text(HWND dialog, int id)
{
    char text[2048] = "";
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

static LRESULT CALLBACK answer_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND dialog = (HWND)lParam;
    if (message != WM_ANSWER)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (!IsWindow(dialog))
        return 0;
    if (g_handlers.empty()) {
        ADD_FAILURE() << "unexpected dialog \"" << window_text(dialog)
                      << "\": " << dialog_item_text(dialog, 0xFFFF);
        click(dialog, IDOK);
        if (IsWindow(dialog) && IsWindowVisible(dialog))
            click(dialog, IDCANCEL);
        return 0;
    }
    DialogHandler handler = g_handlers.front();
    g_handlers.pop_front();
    handler(dialog);
    return 0;
}

// Runs after each window procedure of this thread: the first showing of a top-level
// dialog is posted to the answer window, which the dialog's own modal loop then serves.
// (A CBT hook would fire before Wine has filled the dialog.)
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
        wc.lpszClassName = "TestDialogAnswers";
        RegisterClassA(&wc);
        g_answerWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, wc.hInstance, nullptr);
        g_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, hook_proc, nullptr, GetCurrentThreadId());
    }
    if (handler)
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
