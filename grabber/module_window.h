// The module window: an MDI child that loads one module, keeps a private copy of its
// catalog and lists every entry with a check box.
#ifndef GRABBER_MODULE_WINDOW_H
#define GRABBER_MODULE_WINDOW_H

#include <windows.h>

#include "app_state.h"

// A hidden MDI child of the frame's client, filling the client area below the toolbar.
HWND create_module_window();

LRESULT CALLBACK module_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The focused row, or NO_CURRENT_ROW.
int current_row(const ModuleWindowData *d);
bool row_checked(const ModuleWindowData *d, int row);
void set_row_checked(const ModuleWindowData *d, int row, bool checked);

// The library's own entry of a row (around the SampleInfo it hands out): the rows and
// the sample info dialog compare the private copy with it.
const CatalogEntry *library_entry(ModuleHandle module, int row);

// Destroys the window through the MDI client.
void close_module_window(HWND hwnd);

#endif
