#include "host_state.h"
#include "winamp_records.h"

#include <string.h>

HostState g_host;

static const char WindowClass[] = "QuorvelHostMain";

// The two requests a plug-in sends to its host's main window, and the end of a song.
static LRESULT CALLBACK host_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER && lParam == IPC_PLAYFILE) {
        const EnqueueFile *entry = (const EnqueueFile *)wParam;
        if (entry && entry->filename)
            g_host.enqueued.push_back(entry->filename);
        return 0;
    }
    if (message == WM_USER && lParam == IPC_GETINIDIRECTORY)
        return (LRESULT)g_host.settingsDir;
    if (message == WM_WA_MPEG_EOF) {
        g_host.endMessages++;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool host_window_create(const char *settingsDir)
{
    g_host.enqueued.clear();
    g_host.endMessages = 0;
    memset(&g_host.hooks, 0, sizeof g_host.hooks);
    g_host.dspDoubles = false;
    lstrcpynA(g_host.settingsDir, settingsDir, sizeof g_host.settingsDir);
    if (g_host.window)
        return true;
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = host_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = WindowClass;
    RegisterClassA(&wc);
    // A real top-level window, never shown: plug-ins use it as the owner of their dialogs.
    g_host.window = CreateWindowExA(0, WindowClass, "Quorvel host", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                    100, nullptr, nullptr, wc.hInstance, nullptr);
    return g_host.window != nullptr;
}

void host_window_destroy()
{
    if (g_host.window)
        DestroyWindow(g_host.window);
    g_host.window = nullptr;
    host_pump();
}

void host_pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
