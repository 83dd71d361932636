// The plug-in's Windows side in the test process: a stand-in for the player's main window
// (playlist entries and the settings folder), modal dialogs and message boxes answered
// from inside their own modal loops, and small file helpers.
#ifndef TESTS_PLUGIN_WIN_HARNESS_H
#define TESTS_PLUGIN_WIN_HARNESS_H

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fixtures.h"

// The main window the plug-in talks to (g_hostWindow is set to it).
struct FakeHost {
    HWND window;
    std::string settingsDir;
    std::vector<std::string> enqueued;
};
extern FakeHost g_fakeHost;
void fake_host_start(const std::string &settingsDir);

typedef std::function<void(HWND dialog)> DialogHandler;
// The next top-level dialog that shows goes to `handler`, which must close it. A dialog
// that shows while no handler waits fails the test and is closed.
void expect_dialog(DialogHandler handler);
size_t unanswered_dialogs(); // and forgets them

std::string window_text(HWND hwnd);
std::string item_text(HWND dialog, int id);
void click(HWND dialog, int id);
bool is_checked(HWND dialog, int id);

// A fresh, empty folder under the test program's folder.
std::string work_folder(const std::string &name);
bool file_exists(const std::string &path);
std::vector<std::string> files_in(const std::string &folder); // sorted names

#endif
