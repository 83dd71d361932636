// Dialog 102, the installer's one window.
#ifndef SETUP_INSTALL_DIALOG_H
#define SETUP_INSTALL_DIALOG_H

#include <windows.h>

INT_PTR CALLBACK install_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
