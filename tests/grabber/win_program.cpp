// Virn.exe itself: started from another folder with two modules on its command line (one
// quoted, with a blank in its path), it opens both in order, reads the settings left in that folder
// without a warning, and on Exit writes them beside itself.
#include "win_harness.h"

#include "resource.h"

namespace
{

TEST(VirnExe, OpensItsCommandLineAndKeepsSettingsBesideItself)
{
    std::string exe = win_path(VIRN_EXE);
    std::string besideExe = exe.substr(0, exe.rfind('\\') + 1) + "curset.set";
    DeleteFileA(besideExe.c_str());

    std::string dir = work_folder("VirnExe");
    CreateDirectoryA((dir + "\\My Music").c_str(), nullptr);
    save(dir + "\\My Music\\a.it", numbered_it("alpha", 2));
    save(dir + "\\b.it", numbered_it("beta", 3));
    Bytes settings = {0x01, 0x00, 0xFF, 0xFF, 0x30, 0x75, 0x00, 0x00};
    save(dir + "\\curset.set", settings); // left there by an earlier version

    // What the shell passes: the quoted program path, then the files, a quoted one with
    // spaces among them.
    std::string line = "\"" + exe + "\" \"" + dir + "\\My Music\\a.it\" " + dir + "\\b.it";
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(start_program(line, dir, &pi));
    HWND frame = nullptr;
    std::vector<std::string> titles;
    std::vector<std::string> expected = {"alpha [a.it]", "beta [b.it]"};
    for (int i = 0; i < 600 && titles != expected; i++) {
        Sleep(50);
        frame = top_window(pi.dwProcessId, "Virn");
        HWND client = frame ? FindWindowExA(frame, nullptr, "MDICLIENT", nullptr) : nullptr;
        titles.clear();
        for (HWND w = GetWindow(client, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (IsWindowVisible(w))
                titles.push_back(window_text(w));
        std::sort(titles.begin(), titles.end());
    }
    EXPECT_EQ(expected, titles);
    EXPECT_EQ("beta - Virn", window_text(frame)); // the last one opened is active
    if (frame)
        PostMessageA(frame, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    EXPECT_EQ(0u, finish_program(&pi, 30000));

    // Found, not warned of (a warning would have loaded the defaults), and written back.
    EXPECT_TRUE(read_file(besideExe) == settings);
    EXPECT_TRUE(read_file(dir + "\\curset.set") == settings);
    DeleteFileA(besideExe.c_str());
}

} // namespace
