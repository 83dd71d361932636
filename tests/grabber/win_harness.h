// Driving the grabber's real windows in the test process: modal dialogs and message
// boxes answered from inside their own modal loops, shell dialogs and file writes replaced,
// list views and titles read back through Win32 messages.
#ifndef TESTS_GRABBER_WIN_HARNESS_H
#define TESTS_GRABBER_WIN_HARNESS_H

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fixtures.h"
#include "win_dialogs.h"
#include "win_files.h"
#include "win_process.h"

// Replaces for one test what the program asks the shell for.
struct ShellAnswers {
    std::function<BOOL(OPENFILENAMEA *)> open, save;
    std::function<bool(char *)> folder;
    std::function<BOOL(HANDLE, LPCVOID, DWORD, LPDWORD)> write; // null: WriteFile
};
extern ShellAnswers g_answer; // emptied for every test

// List view of a module window, read back.
HWND list_of(HWND moduleWindow);
std::string item_text(HWND list, int row, int column);
bool checked(HWND list, int row);
void focus_row(HWND list, int row);

// `count` 8-bit samples named "s<row>" (1-based), each with its own length (100 + row
// bytes), content and rate (8000 + row), so every row is told apart by what it writes.
// Every `emptyEvery`-th row (when not 0) is an empty, unnamed slot. IT, by our writer.
Bytes numbered_it(const std::string &song, int count, int emptyEvery = 0);

// A frame made for one test, torn down (and its WM_QUIT drained) afterwards.
class GrabberTest : public testing::Test
{
  protected:
    std::string dir;
    HWND frame = nullptr;

    void SetUp() override;
    void TearDown() override;
    HWND open_frame(const std::vector<std::string> &files = {});
    // Module windows in the order they were made.
    std::vector<HWND> module_windows();
    HWND open_one(const std::string &path);
    // A frame with m.it of numbered_it(count, emptyEvery) open; its module window.
    HWND open_numbered(int count, int emptyEvery = 0);
    void command(int id);
    // The sample info dialog on `row` of `list`, handed to `handler`, which closes it.
    void sample_info(HWND list, int row, DialogHandler handler);
};

#endif
