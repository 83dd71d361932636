// The plug-in's Windows side in the test process: the player's main window, modal dialogs
// and message boxes answered from inside their own modal loops (win_common), file helpers.
#ifndef TESTS_PLUGIN_WIN_HARNESS_H
#define TESTS_PLUGIN_WIN_HARNESS_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "host_state.h"
#include "plugin_state.h"
#include "win_dialogs.h"
#include "win_files.h"

// The test host's hidden main window stands in for the player's (playlist entries land in
// g_host.enqueued, the settings folder is `settingsDir`); the plug-in's globals point at
// it and at this program, which links the dialog resources.
inline void plugin_host_start(const std::string &settingsDir)
{
    host_window_create(settingsDir.c_str());
    g_hostWindow = g_host.window;
    g_pluginInstance = GetModuleHandleA(nullptr);
}

#endif
