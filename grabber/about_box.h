// The about box (dialog 115).
#ifndef GRABBER_ABOUT_BOX_H
#define GRABBER_ABOUT_BOX_H

#include <windows.h>

void run_about_box(HWND owner);

#endif
