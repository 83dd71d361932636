// The frame window: start-up, menu, toolbar, MDI client, command routing, and the three
// ways of opening files (open dialog, command line, drag-and-drop).
#ifndef GRABBER_FRAME_H
#define GRABBER_FRAME_H

#include <windows.h>

#include <string>
#include <vector>

// Common controls, the private heap and the two window classes. Once per process.
bool app_init(HINSTANCE instance);

// Creates the frame (centred, 500x500), which opens the given files on creation.
HWND create_frame(const std::vector<std::string> &files);

// A hidden module window for the file, which shows itself once its module has loaded.
// Zipped modules give one window per module inside.
void open_module_file(const char *path);

// The whole program: command line, start-up, message loop. Returns the exit code.
int run_grabber(HINSTANCE instance, const char *commandLine);

LRESULT CALLBACK frame_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
