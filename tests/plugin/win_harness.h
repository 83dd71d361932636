// The plug-in's Windows side in the test process: a stand-in for the player's main window
// (playlist entries and the settings folder), modal dialogs and message boxes answered
// from inside their own modal loops (win_common), and file helpers.
#ifndef TESTS_PLUGIN_WIN_HARNESS_H
#define TESTS_PLUGIN_WIN_HARNESS_H

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fixtures.h"
#include "win_dialogs.h"
#include "win_files.h"

// The main window the plug-in talks to (g_hostWindow is set to it).
struct FakeHost {
    HWND window;
    std::string settingsDir;
    std::vector<std::string> enqueued;
};
extern FakeHost g_fakeHost;
void fake_host_start(const std::string &settingsDir);

#endif
