// Modal dialogs and message boxes of this thread answered from inside their own modal
// loops, and the controls of a dialog read and clicked.
#ifndef TESTS_WIN_COMMON_WIN_DIALOGS_H
#define TESTS_WIN_COMMON_WIN_DIALOGS_H

#include <windows.h>

#include <functional>
#include <string>

typedef std::function<void(HWND dialog)> DialogHandler;

// The next top-level dialog that shows is handed to `handler`, which must close it. A
// dialog that shows while no handler waits fails the test and is closed.
void expect_dialog(DialogHandler handler); // nullptr: only start watching
size_t unanswered_dialogs();               // and forgets them
// A message box with this caption and text, answered with `button` (IDOK, IDYES, IDNO).
DialogHandler message_box(const std::string &caption, const std::string &text, int button);

std::string window_text(HWND hwnd);
std::string dialog_item_text(HWND dialog, int id); // a message box's text is 0xFFFF
void click(HWND dialog, int id);
bool is_checked(HWND dialog, int id);
void pump(); // every message waiting for this thread, WM_QUIT dropped

#endif
