// quorvel_setup.exe itself, driven from this process like a user would: folders typed into
// dialog 102, toggles and Install clicked, warnings read and answered. Files must land byte
// for byte as the build made them, and what was installed must run: the test host plays a
// module through the installed plug-in, and the installed grabber opens one.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "fixtures.h"
#include "reference_cases.h"
#include "resource.h"
#include "win_dialogs.h"
#include "win_files.h"
#include "win_picture.h"
#include "win_process.h"

namespace
{

std::string replaced(std::string s, const std::string &key, const std::string &value)
{
    for (size_t at; (at = s.find(key)) != std::string::npos;)
        s.replace(at, key.size(), value);
    return s;
}

std::string file_text(const std::string &path)
{
    Bytes b = file_exists(path) ? read_file(path) : text_of("(absent)");
    return std::string(b.begin(), b.end());
}

bool same_as_built(const std::string &installed, const char *built)
{
    return file_exists(installed) && read_file(installed) == read_file(win_path(built));
}

std::string system_file(const char *name)
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

DWORD WINAPI click_install(LPVOID dialog)
{
    SendMessageA((HWND)dialog, WM_COMMAND, IDOK, (LPARAM)GetDlgItem((HWND)dialog, IDOK));
    return 0;
}

// One run of the installer; the destructor leaves it with Exit.
struct Installer {
    PROCESS_INFORMATION pi = {};
    HWND dialog = nullptr;

    Installer()
    {
        EXPECT_TRUE(start_program("\"" + win_path(SETUP_EXE) + "\"", "", &pi));
        for (int i = 0; i < 600 && !dialog; i++, Sleep(25))
            dialog = top_window(pi.dwProcessId, "#32770");
    }
    ~Installer()
    {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(0u, finish_program(&pi, 60000));
    }
    void type(int id, const std::string &s)
    {
        SetDlgItemTextA(dialog, id, s.c_str());
    }
    void toggle(int id)
    {
        SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    }
    // Clicks Install and answers every message box until it is done: "caption|text" each.
    std::vector<std::string> install()
    {
        std::vector<std::string> boxes;
        HANDLE busy = CreateThread(nullptr, 0, click_install, dialog, 0, nullptr);
        while (WaitForSingleObject(busy, 20) == WAIT_TIMEOUT) {
            HWND box = top_window(pi.dwProcessId, "#32770", dialog);
            if (!box)
                continue;
            char text[2048] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            boxes.push_back(window_text(box) + "|" + text);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 200 && IsWindowVisible(box); i++)
                Sleep(10);
        }
        CloseHandle(busy);
        return boxes;
    }
    // "status line, installed?" of a step. The status icons differ at their centre: green
    // installed, red still to install; another process's window is read off the screen.
    std::string status(int line, int icon)
    {
        HWND w = GetDlgItem(dialog, icon);
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Sleep(100);
        RECT r;
        GetClientRect(w, &r);
        POINT centre = {(r.right - 1) / 2, (r.bottom - 1) / 2};
        ClientToScreen(w, &centre);
        HDC dc = GetDC(nullptr);
        COLORREF c = GetPixel(dc, centre.x, centre.y);
        ReleaseDC(nullptr, dc);
        EXPECT_NE(CLR_INVALID, c);
        return window_text(GetDlgItem(dialog, line)) +
               (GetGValue(c) > GetRValue(c) ? ", installed" : "");
    }
};

// A fake Winamp folder (with Plugins or without) and a destination, made afresh.
struct Folders {
    std::string root, winamp, dest, cfg, plugin, playback, exe, lib;
    Folders(const std::string &name, bool plugins)
    {
        root = work_folder(name);
        winamp = root + "\\Winamp", dest = root + "\\Programs", cfg = winamp + "\\Quorvel.cfg";
        plugin = winamp + "\\Plugins\\In_Quorvel.dll", playback = winamp + "\\bass.dll";
        exe = dest + "\\Virn\\Virn.exe", lib = dest + "\\Virn\\Virn.dll";
        CreateDirectoryA(winamp.c_str(), nullptr);
        if (plugins)
            CreateDirectoryA((winamp + "\\Plugins").c_str(), nullptr);
    }
};

const std::string Defaults("\x00\x20\x20\x00\x44\xAC\x00\x00\x10\x00\x00\x00\x00\x02\x00", 15);
const std::string Custom("\x62\x64\x00\x00\x22\x56\x00\x00\x08\x01\x00\x00\x00\x01\x01", 15);
const char *const Plugin = "Installing In_Quorvel...Done!, installed";
const char *const Grabber = "Installing Virn...Done!, installed";

TEST(Installer, StepsFoldersToggles)
{
    // Before Install: P the Winamp folder has Plugins, C an old Quorvel.cfg (block Custom),
    // B a bass.dll of the user's, D the destination exists, X a file named Virn is in it, p
    // and g the plug-in and grabber toggles clicked. Written: P plug-in and bass.dll, G
    // grabber, S pexlin.dll. Settings: {cmd} is "<dest>\Virn\Virn.exe %mod".
    struct Case {
        const char *name, *before;
        std::vector<std::string> boxes;
        std::string plugin, grabber, settings;
        const char *written;
    } cases[] = {
        // clang-format off
        {"both", "PD", {}, Plugin, Grabber, Defaults + "{cmd}", "PGS"},
        {"plugin alone, own bass.dll", "PBDg", {}, Plugin, "Virn", Defaults, "PS"},
        {"grabber alone, old settings", "PCDp", {}, "In_Quorvel", Grabber, Custom + "{cmd}", "GS"},
        {"grabber alone, fresh settings", "PDp", {}, "In_Quorvel", Grabber, Defaults + "{cmd}", "GS"},
        {"grabber alone, no Winamp", "Dp", {}, "In_Quorvel", Grabber, "(absent)", "GS"},
        {"no Plugins", "D", {"ZOK|You must specify valid Winamp directory"}, "In_Quorvel", "Virn",
         "(absent)", ""},
        {"no destination", "P", {"ZOK|You must specify valid directory where Virn should be installed to"},
         Plugin, "Virn", Defaults, "P"},
        {"both off", "PDpg", {}, "In_Quorvel", "Virn", "(absent)", "S"},
        {"Virn is a file", "PDX", {"ZOK|These files could not be written:\n{dest}\\Virn\n"
         "{dest}\\Virn\\Virn.exe\n{dest}\\Virn\\Virn.dll"}, Plugin, "Installing Virn...Failed!",
         Defaults + "{cmd}", "PS"},
        // clang-format on
    };
    const Bytes own = text_of("the user's own playback library");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string before = c.before, written = c.written;
        auto has = [](const std::string &s, char k) { return s.find(k) != std::string::npos; };
        Folders f("case", has(before, 'P'));
        if (has(before, 'D'))
            CreateDirectoryA(f.dest.c_str(), nullptr);
        if (has(before, 'X'))
            write_file(f.dest + "\\Virn", text_of("a file where the folder goes"));
        std::string oldFile = Custom + "C:\\old.exe %mod";
        if (has(before, 'C'))
            write_file(f.cfg, Bytes(oldFile.begin(), oldFile.end()));
        if (has(before, 'B'))
            write_file(f.playback, own);
        DeleteFileA(system_file("pexlin.dll").c_str());

        Installer setup;
        ASSERT_TRUE(setup.dialog != nullptr);
        setup.type(IDC_PLUGIN_FOLDER, f.winamp);
        setup.type(IDC_GRABBER_FOLDER, f.dest);
        for (char k : before)
            if (k == 'p' || k == 'g')
                setup.toggle(k == 'p' ? IDC_PLUGIN_TOGGLE : IDC_GRABBER_TOGGLE);
        EXPECT_EQ(!has(before, 'p'),
                  !!IsWindowEnabled(GetDlgItem(setup.dialog, IDC_PLUGIN_FOLDER)));
        EXPECT_EQ(!has(before, 'g'),
                  !!IsWindowEnabled(GetDlgItem(setup.dialog, IDC_GRABBER_BROWSE)));

        std::vector<std::string> boxes;
        for (const std::string &b : c.boxes)
            boxes.push_back(replaced(b, "{dest}", f.dest));
        EXPECT_EQ(boxes, setup.install());
        EXPECT_EQ(c.plugin, setup.status(IDC_PLUGIN_STATUS, IDC_PLUGIN_ICON));
        EXPECT_EQ(c.grabber, setup.status(IDC_GRABBER_STATUS, IDC_GRABBER_ICON));
        EXPECT_EQ(replaced(c.settings, "{cmd}", f.exe + " %mod"), file_text(f.cfg));
        EXPECT_EQ(has(written, 'P'), same_as_built(f.plugin, BUILT_PLUGIN));
        if (has(before, 'B'))
            EXPECT_TRUE(read_file(f.playback) == own);
        else
            EXPECT_EQ(has(written, 'P'), same_as_built(f.playback, BUILT_PLAYBACK));
        EXPECT_EQ(has(written, 'G'), same_as_built(f.exe, BUILT_VIRN_EXE));
        EXPECT_EQ(has(written, 'G'), same_as_built(f.lib, BUILT_VIRN_DLL));
        EXPECT_EQ(has(written, 'S'), same_as_built(system_file("pexlin.dll"), BUILT_PEXLIN));
    }
    // The prefix is shared: other tests must not find an archive library they did not bring.
    DeleteFileA(system_file("pexlin.dll").c_str());
}

// What was installed works: the player (the test host in the Winamp folder) plays a module
// through the plug-in and the playback library beside it, the grabber opens one. And a step
// runs once: switched off and on again, it runs at the next Install.
TEST(Installer, InstalledFilesWorkAndStepsRunOnce)
{
    Folders f("working", true);
    CreateDirectoryA(f.dest.c_str(), nullptr);
    {
        Installer setup;
        ASSERT_TRUE(setup.dialog != nullptr);
        setup.type(IDC_PLUGIN_FOLDER, f.winamp);
        setup.type(IDC_GRABBER_FOLDER, f.dest);
        EXPECT_TRUE(setup.install().empty());
        screenshot(setup.dialog, "installer");
    }
    std::string player = f.winamp + "\\quorvel-host.exe", song = f.root + "\\song.mod";
    std::string wav = f.root + "\\song.wav";
    ASSERT_TRUE(CopyFileA(win_path(HOST_EXE).c_str(), player.c_str(), FALSE));
    ASSERT_TRUE(write_file(song, playable_song("mod_flow")));
    EXPECT_EQ(0, run_program("\"" + player + "\" \"" + f.plugin + "\" play \"" + song + "\" -o \"" +
                                 wav + "\" --seconds 1",
                             f.root));
    Bytes sound = file_exists(wav) ? read_file(wav) : Bytes();
    ASSERT_GT(sound.size(), 44u + 4000u);
    EXPECT_NE(sound.end(),
              std::find_if(sound.begin() + 44, sound.end(), [](uint8_t b) { return b; }));

    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(start_program("\"" + f.exe + "\" \"" + song + "\"", f.root, &pi));
    std::string title;
    HWND frame = nullptr;
    for (int i = 0; i < 600 && title.find("[song.mod]") == std::string::npos; i++, Sleep(50)) {
        // A fresh installation has no grabber settings yet: its warning is answered.
        if (HWND box = top_window(pi.dwProcessId, "#32770"))
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        frame = top_window(pi.dwProcessId, "Virn");
        HWND client = frame ? FindWindowExA(frame, nullptr, "MDICLIENT", nullptr) : nullptr;
        HWND child = client ? GetWindow(client, GW_CHILD) : nullptr;
        title = child ? window_text(child) : "";
    }
    EXPECT_NE(std::string::npos, title.find("[song.mod]")) << title;
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, finish_program(&pi, 60000));

    Installer again;
    again.type(IDC_PLUGIN_FOLDER, f.winamp);
    again.toggle(IDC_GRABBER_TOGGLE);
    EXPECT_TRUE(again.install().empty());
    DeleteFileA(f.plugin.c_str());
    EXPECT_TRUE(again.install().empty());
    EXPECT_FALSE(file_exists(f.plugin));
    again.toggle(IDC_PLUGIN_TOGGLE);
    again.toggle(IDC_PLUGIN_TOGGLE);
    EXPECT_TRUE(again.install().empty());
    EXPECT_TRUE(same_as_built(f.plugin, BUILT_PLUGIN));
    EXPECT_EQ(Defaults, file_text(f.cfg)); // the grabber was switched off
    DeleteFileA(system_file("pexlin.dll").c_str());
}

} // namespace
