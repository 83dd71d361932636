// quorvel_setup.exe itself, driven from this process like a user would: the folders typed
// into dialog 102, the toggles and Install clicked, the warnings read and answered. The
// files must land byte for byte as the build made them, and what was installed must run:
// the test host plays a module through the installed plug-in, and the installed grabber
// opens one.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "reference_cases.h"
#include "resource.h"

namespace
{

std::string win_path(std::string p)
{
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::string text_of_window(HWND w)
{
    char text[1024] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

std::string replaced(std::string s, const std::string &key, const std::string &value)
{
    for (size_t at; (at = s.find(key)) != std::string::npos;)
        s.replace(at, key.size(), value);
    return s;
}

bool exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string fresh_folder(const std::string &name)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    std::string dir = std::string(cwd) + "\\" + name;
    std::string cmd = "cmd /c rmdir /s /q \"" + dir + "\" >nul 2>nul";
    system(cmd.c_str());
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string system_file(const char *name)
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

struct Found {
    DWORD process;
    const char *cls;
    HWND except, window;
};

BOOL CALLBACK find_top(HWND w, LPARAM context)
{
    Found *f = (Found *)context;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (pid == f->process && w != f->except && strcmp(cls, f->cls) == 0 && IsWindowVisible(w)) {
        f->window = w;
        return FALSE;
    }
    return TRUE;
}

HWND top_window(DWORD process, const char *cls, HWND except = nullptr)
{
    Found f = {process, cls, except, nullptr};
    EnumWindows(find_top, (LPARAM)&f);
    return f.window;
}

// Answers every message box `process` shows while `busy` runs; returns "caption|text"
// of each.
std::vector<std::string> answer_boxes(DWORD process, HWND except, HANDLE busy)
{
    std::vector<std::string> boxes;
    while (WaitForSingleObject(busy, 20) == WAIT_TIMEOUT) {
        HWND box = top_window(process, "#32770", except);
        if (!box)
            continue;
        char text[2048] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        boxes.push_back(text_of_window(box) + "|" + text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); i++)
            Sleep(10);
    }
    return boxes;
}

DWORD WINAPI click_install(LPVOID dialog)
{
    SendMessageA((HWND)dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 (LPARAM)GetDlgItem((HWND)dialog, IDOK));
    return 0;
}

// One run of the installer.
struct Installer {
    PROCESS_INFORMATION pi = {};
    HWND dialog = nullptr;

    Installer()
    {
        std::string line = "\"" + win_path(SETUP_EXE) + "\"";
        std::vector<char> text(line.begin(), line.end());
        text.push_back(0);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi))
            return;
        for (int i = 0; i < 600 && !dialog; i++, Sleep(25))
            dialog = top_window(pi.dwProcessId, "#32770");
    }
    ~Installer()
    {
        if (dialog)
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        if (!pi.hProcess)
            return;
        EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 20000));
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(0u, code);
        if (code == STILL_ACTIVE)
            TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    std::string text(int id)
    {
        return text_of_window(GetDlgItem(dialog, id));
    }
    void type(int id, const std::string &s)
    {
        SetDlgItemTextA(dialog, id, s.c_str());
    }
    void toggle(int id)
    {
        SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    }
    std::vector<std::string> install()
    {
        HANDLE t = CreateThread(nullptr, 0, click_install, dialog, 0, nullptr);
        std::vector<std::string> boxes = answer_boxes(pi.dwProcessId, dialog, t);
        CloseHandle(t);
        return boxes;
    }
    // The status icons differ at their centre: red still to install, green installed.
    bool installed_mark(int id)
    {
        HWND icon = GetDlgItem(dialog, id);
        RedrawWindow(icon, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Sleep(100);
        // Another process's window is read where the screen shows it.
        RECT r;
        GetClientRect(icon, &r);
        POINT centre = {(r.right - 1) / 2, (r.bottom - 1) / 2};
        ClientToScreen(icon, &centre);
        HDC dc = GetDC(nullptr);
        COLORREF c = GetPixel(dc, centre.x, centre.y);
        ReleaseDC(nullptr, dc);
        EXPECT_NE(CLR_INVALID, c);
        return GetGValue(c) > GetRValue(c);
    }
};

const std::string Defaults("\x00\x20\x20\x00\x44\xAC\x00\x00\x10\x00\x00\x00\x00\x02\x00", 15);
const std::string OldBlock("\x62\x64\x00\x00\x22\x56\x00\x00\x08\x01\x00\x00\x00\x01\x01", 15);
const std::string Absent = "(absent)";

std::string file_text(const std::string &path)
{
    if (!exists(path))
        return Absent;
    Bytes b = read_file(path);
    return std::string(b.begin(), b.end());
}

Bytes bytes_of(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

bool same_as_built(const std::string &installed, const char *built)
{
    return exists(installed) && read_file(installed) == read_file(win_path(built));
}

// The folders of one case: a Winamp folder (with Plugins or without), a destination.
struct Folders {
    std::string winamp, dest, cfg, plugin, playback, exe, lib;
    explicit Folders(const std::string &name, bool plugins)
    {
        std::string root = fresh_folder(name);
        winamp = root + "\\Winamp";
        dest = root + "\\Programs";
        CreateDirectoryA(winamp.c_str(), nullptr);
        if (plugins)
            CreateDirectoryA((winamp + "\\Plugins").c_str(), nullptr);
        cfg = winamp + "\\Quorvel.cfg";
        plugin = winamp + "\\Plugins\\In_Quorvel.dll";
        playback = winamp + "\\bass.dll";
        exe = dest + "\\Virn\\Virn.exe";
        lib = dest + "\\Virn\\Virn.dll";
    }
};

const char WinampWarning[] = "ZOK|You must specify valid Winamp directory";
const char DestWarning[] = "ZOK|You must specify valid directory where Virn should be installed to";
const char PluginDone[] = "Installing In_Quorvel...Done!";
const char GrabberDone[] = "Installing Virn...Done!";

TEST(Installer, StepsFoldersAndSettingsFile)
{
    struct Case {
        const char *name;
        bool plugins, oldSettings, ownPlayback, dest, blocked, pluginOff, grabberOff;
        std::vector<std::string> boxes;                    // {dest} is the destination folder
        std::string pluginStatus, grabberStatus, settings; // {cmd}: "{dest}\Virn\Virn.exe %mod"
        bool pluginFiles, grabberFiles, systemFile;
    } cases[] = {
        {"both",
         true,
         false,
         false,
         true,
         false,
         false,
         false,
         {},
         PluginDone,
         GrabberDone,
         Defaults + "{cmd}",
         true,
         true,
         true},
        {"plugin-only",
         true,
         false,
         true,
         true,
         false,
         false,
         true,
         {},
         PluginDone,
         "Virn",
         Defaults,
         true,
         false,
         true},
        {"grabber-with-old-file",
         true,
         true,
         false,
         true,
         false,
         true,
         false,
         {},
         "In_Quorvel",
         GrabberDone,
         OldBlock + "{cmd}",
         false,
         true,
         true},
        {"grabber-fresh-file",
         true,
         false,
         false,
         true,
         false,
         true,
         false,
         {},
         "In_Quorvel",
         GrabberDone,
         Defaults + "{cmd}",
         false,
         true,
         true},
        {"grabber-no-winamp",
         false,
         false,
         false,
         true,
         false,
         true,
         false,
         {},
         "In_Quorvel",
         GrabberDone,
         Absent,
         false,
         true,
         true},
        {"winamp-invalid",
         false,
         false,
         false,
         true,
         false,
         false,
         false,
         {WinampWarning},
         "In_Quorvel",
         "Virn",
         Absent,
         false,
         false,
         false},
        {"dest-missing",
         true,
         false,
         false,
         false,
         false,
         false,
         false,
         {DestWarning},
         PluginDone,
         "Virn",
         Defaults,
         true,
         false,
         false},
        {"both-off",
         true,
         false,
         false,
         true,
         false,
         true,
         true,
         {},
         "In_Quorvel",
         "Virn",
         Absent,
         false,
         false,
         true},
        {"dest-blocked",
         true,
         false,
         false,
         true,
         true,
         false,
         false,
         {"ZOK|These files could not be written:\n{dest}\\Virn\n{dest}\\Virn\\Virn.exe\n"
          "{dest}\\Virn\\Virn.dll"},
         PluginDone,
         "Installing Virn...Failed!",
         Defaults + "{cmd}",
         true,
         false,
         true},
    };
    const Bytes ownPlayback = text_of("our own playback library");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Folders f(std::string("case-") + c.name, c.plugins);
        if (c.dest)
            CreateDirectoryA(f.dest.c_str(), nullptr);
        if (c.blocked)
            write_file(f.dest + "\\Virn", text_of("a file where the folder goes"));
        if (c.oldSettings)
            write_file(f.cfg, bytes_of(OldBlock + "C:\\old\\grab.exe %mod"));
        if (c.ownPlayback)
            write_file(f.playback, ownPlayback);
        DeleteFileA(system_file("pexlin.dll").c_str());

        Installer setup;
        ASSERT_TRUE(setup.dialog != nullptr);
        EXPECT_EQ("Quorvel package installer", text_of_window(setup.dialog));
        setup.type(IDC_PLUGIN_FOLDER, f.winamp);
        setup.type(IDC_GRABBER_FOLDER, f.dest);
        if (c.pluginOff)
            setup.toggle(IDC_PLUGIN_TOGGLE);
        if (c.grabberOff)
            setup.toggle(IDC_GRABBER_TOGGLE);
        EXPECT_EQ(!c.pluginOff, IsWindowEnabled(GetDlgItem(setup.dialog, IDC_PLUGIN_FOLDER)) != 0);
        EXPECT_EQ(!c.grabberOff,
                  IsWindowEnabled(GetDlgItem(setup.dialog, IDC_GRABBER_BROWSE)) != 0);

        std::vector<std::string> expected;
        for (const std::string &b : c.boxes)
            expected.push_back(replaced(b, "{dest}", f.dest));
        EXPECT_EQ(expected, setup.install());
        EXPECT_EQ(c.pluginStatus, setup.text(IDC_PLUGIN_STATUS));
        EXPECT_EQ(c.grabberStatus, setup.text(IDC_GRABBER_STATUS));
        EXPECT_EQ(c.pluginStatus == PluginDone, setup.installed_mark(IDC_PLUGIN_ICON));
        EXPECT_EQ(c.grabberStatus == GrabberDone, setup.installed_mark(IDC_GRABBER_ICON));

        std::string settings = replaced(c.settings, "{cmd}", f.exe + " %mod");
        EXPECT_EQ(settings, file_text(f.cfg));
        EXPECT_EQ(c.pluginFiles, same_as_built(f.plugin, BUILT_PLUGIN));
        if (c.ownPlayback)
            EXPECT_TRUE(read_file(f.playback) == ownPlayback);
        else
            EXPECT_EQ(c.pluginFiles, same_as_built(f.playback, BUILT_PLAYBACK));
        EXPECT_EQ(c.grabberFiles, same_as_built(f.exe, BUILT_VIRN_EXE));
        EXPECT_EQ(c.grabberFiles, same_as_built(f.lib, BUILT_VIRN_DLL));
        EXPECT_EQ(c.systemFile, same_as_built(system_file("pexlin.dll"), BUILT_PEXLIN));
    }
}

// A step runs once; switching it off and on again arms it for the next Install.
TEST(Installer, ToggleRearmsAStepThatHasRun)
{
    Folders f("rearm", true);
    CreateDirectoryA(f.dest.c_str(), nullptr);
    Installer setup;
    ASSERT_TRUE(setup.dialog != nullptr);
    setup.type(IDC_PLUGIN_FOLDER, f.winamp);
    setup.type(IDC_GRABBER_FOLDER, f.dest);
    EXPECT_TRUE(setup.install().empty());
    DeleteFileA(f.plugin.c_str());
    DeleteFileA(f.exe.c_str());
    EXPECT_TRUE(setup.install().empty());
    EXPECT_FALSE(exists(f.plugin));
    setup.toggle(IDC_PLUGIN_TOGGLE);
    setup.toggle(IDC_PLUGIN_TOGGLE);
    EXPECT_TRUE(setup.install().empty());
    EXPECT_TRUE(same_as_built(f.plugin, BUILT_PLUGIN));
    EXPECT_FALSE(exists(f.exe));
    // The grabber was not part of this action: the settings file holds the block alone.
    EXPECT_EQ(Defaults, file_text(f.cfg));
}

// For `make screenshots`: the dialog as the screen shows it, as a 24-bit BMP.
void capture_dialog(HWND dialog, const std::string &path)
{
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    RECT r;
    GetWindowRect(dialog, &r);
    int w = r.right - r.left, h = r.bottom - r.top, stride = (w * 3 + 3) & ~3;
    BITMAPINFOHEADER bi = {sizeof bi, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, (BITMAPINFO *)&bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    BITMAPFILEHEADER fh = {0x4D42, (DWORD)(sizeof fh + sizeof bi + stride * h), 0, 0,
                           sizeof fh + sizeof bi};
    Bytes file((const uint8_t *)&fh, (const uint8_t *)&fh + sizeof fh);
    file.insert(file.end(), (const uint8_t *)&bi, (const uint8_t *)&bi + sizeof bi);
    file.insert(file.end(), (const uint8_t *)bits, (const uint8_t *)bits + stride * h);
    EXPECT_TRUE(write_file(path, file));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

int run(const std::string &line, const std::string &folder)
{
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = (DWORD)-1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

// The installed system works: the player plays a module through the installed plug-in
// and the playback library put beside it, and the installed grabber opens one.
TEST(Installer, InstalledFilesWorkTogether)
{
    Folders f("working", true);
    CreateDirectoryA(f.dest.c_str(), nullptr);
    {
        Installer setup;
        ASSERT_TRUE(setup.dialog != nullptr);
        setup.type(IDC_PLUGIN_FOLDER, f.winamp);
        setup.type(IDC_GRABBER_FOLDER, f.dest);
        EXPECT_TRUE(setup.install().empty());
        if (const char *shots = getenv("SETUP_SCREENSHOTS"))
            capture_dialog(setup.dialog, std::string(shots) + "\\installer.bmp");
    }
    // The test host stands in for the player: it lives in the Winamp folder.
    std::string player = f.winamp + "\\quorvel-host.exe";
    ASSERT_TRUE(CopyFileA(win_path(HOST_EXE).c_str(), player.c_str(), FALSE));
    std::string song = f.winamp + "\\song.mod", wav = f.winamp + "\\song.wav";
    ASSERT_TRUE(write_file(song, playable_song("mod_flow")));
    EXPECT_EQ(0, run("\"" + player + "\" \"" + f.plugin + "\" play \"" + song + "\" -o \"" + wav +
                         "\" --seconds 1",
                     f.winamp));
    Bytes sound = exists(wav) ? read_file(wav) : Bytes();
    ASSERT_GT(sound.size(), 44u + 4000u);
    bool heard = false;
    for (size_t i = 44; i < sound.size() && !heard; i++)
        heard = sound[i] != 0;
    EXPECT_TRUE(heard);

    std::string line = "\"" + f.exe + "\" \"" + song + "\"";
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               f.winamp.c_str(), &si, &pi));
    std::string title;
    HWND frame = nullptr;
    for (int i = 0; i < 600 && title.find("[song.mod]") == std::string::npos; i++) {
        Sleep(50);
        // A fresh installation has no grabber settings yet: its warning is answered.
        HWND box = top_window(pi.dwProcessId, "#32770");
        if (box)
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        frame = top_window(pi.dwProcessId, "Virn");
        HWND client = frame ? FindWindowExA(frame, nullptr, "MDICLIENT", nullptr) : nullptr;
        for (HWND w = client ? GetWindow(client, GW_CHILD) : nullptr; w;
             w = GetWindow(w, GW_HWNDNEXT))
            if (IsWindowVisible(w))
                title = text_of_window(w);
    }
    EXPECT_NE(std::string::npos, title.find("[song.mod]")) << title;
    if (frame)
        PostMessageA(frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "Virn.exe did not end";
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

} // namespace
