#include "win_harness.h"

#include "plugin_state.h"
#include "winamp_records.h"

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
