// Windows as the screen shows them: for `make screenshots` saved as a 24-bit BMP, and the
// colours the tests look for.
#ifndef TESTS_WIN_COMMON_WIN_PICTURE_H
#define TESTS_WIN_COMMON_WIN_PICTURE_H

#include <windows.h>

#include <string>

bool save_window_picture(HWND window, const std::string &path);

// How many pixels of `colour` the window shows in `r` (client coordinates; null: all of
// its client area), read from the screen after it is drawn anew.
int pixels_of(HWND window, COLORREF colour, const RECT *r = nullptr);

#endif
