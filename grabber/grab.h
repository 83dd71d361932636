// Grabbing: writing samples of a module window to WAV or raw files.
#ifndef GRABBER_GRAB_H
#define GRABBER_GRAB_H

#include <windows.h>

#include "app_state.h"

// The focused row into a file chosen in the save dialog.
void grab_current(HWND window, ModuleWindowData *d);

// Every checked row into `folder`, named "<name>(<row>).wav" or ".bin".
void grab_checked(HWND window, ModuleWindowData *d, const char *folder);

#endif
