// Windows as the screen shows them: pictures for the README and the colours the tests
// look for.
#ifndef TESTS_WIN_COMMON_WIN_PICTURE_H
#define TESTS_WIN_COMMON_WIN_PICTURE_H

#include <windows.h>

#include <string>

// For `make screenshots`: when SCREENSHOTS names a folder, the window as it shows on the
// screen, saved there as <name>.bmp (24-bit).
void screenshot(HWND window, const char *name);

// How many pixels of `colour` the window shows in `r` (client coordinates; null: all of
// its client area), read from the screen after it is drawn anew.
int pixels_of(HWND window, COLORREF colour, const RECT *r = nullptr);

#endif
