// For `make screenshots`: a window as the screen shows it, saved as a 24-bit BMP.
#ifndef TESTS_WIN_COMMON_WIN_PICTURE_H
#define TESTS_WIN_COMMON_WIN_PICTURE_H

#include <windows.h>

#include <string>

bool save_window_picture(HWND window, const std::string &path);

#endif
