// Virn.exe itself: started from another folder with two modules on its command line, it
// opens both, reads the settings left in that folder without a warning, and on Exit
// writes them beside itself.
#include "win_harness.h"

#include "resource.h"

namespace
{

struct Found {
    DWORD process;
    const char *cls;
    HWND window;
};

BOOL CALLBACK find_window(HWND w, LPARAM context)
{
    Found *f = (Found *)context;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (pid == f->process && strcmp(cls, f->cls) == 0 && IsWindowVisible(w)) {
        f->window = w;
        return FALSE;
    }
    return TRUE;
}

HWND top_window(DWORD process, const char *cls)
{
    Found f = {process, cls, nullptr};
    EnumWindows(find_window, (LPARAM)&f);
    return f.window;
}

std::vector<std::string> visible_module_titles(HWND frame)
{
    std::vector<std::string> t;
    HWND client = FindWindowExA(frame, nullptr, "MDICLIENT", nullptr);
    for (HWND w = GetWindow(client, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (IsWindowVisible(w))
            t.push_back(window_text(w));
    std::sort(t.begin(), t.end());
    return t;
}

TEST(VirnExe, OpensItsCommandLineAndKeepsSettingsBesideItself)
{
    std::string exe = VIRN_EXE;
    for (char &c : exe)
        if (c == '/')
            c = '\\';
    std::string besideExe = exe.substr(0, exe.rfind('\\') + 1) + "curset.set";
    DeleteFileA(besideExe.c_str());

    std::string dir = work_folder("VirnExe");
    CreateDirectoryA((dir + "\\My Music").c_str(), nullptr);
    save(dir + "\\My Music\\a.it", numbered_it("alpha", 2));
    save(dir + "\\b.it", numbered_it("beta", 3));
    Bytes settings = {0x01, 0x00, 0xFF, 0xFF, 0x30, 0x75, 0x00, 0x00};
    save(dir + "\\curset.set", settings); // left there by an earlier version

    std::string line = "\"" + exe + "\" \"" + dir + "\\My Music\\a.it\" \"" + dir + "\\b.it\"";
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir.c_str(), &si, &pi));
    HWND frame = nullptr;
    std::vector<std::string> titles;
    std::vector<std::string> expected = {"alpha [a.it]", "beta [b.it]"};
    for (int i = 0; i < 600 && titles != expected; i++) {
        Sleep(50);
        frame = top_window(pi.dwProcessId, "Virn");
        if (frame)
            titles = visible_module_titles(frame);
    }
    EXPECT_EQ(expected, titles);
    // The settings were found: no warning box.
    Sleep(300);
    HWND box = top_window(pi.dwProcessId, "#32770");
    if (box) {
        ADD_FAILURE() << "unexpected dialog: " << dialog_item_text(box, 0xFFFF);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    if (frame)
        PostMessageA(frame, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 30000));
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(0u, code);
    if (code == STILL_ACTIVE)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    EXPECT_TRUE(load(besideExe) == settings);
    EXPECT_TRUE(load(dir + "\\curset.set") == settings);
    DeleteFileA(besideExe.c_str());
}

} // namespace
