#include "about_box.h"
#include "app_state.h"
#include "resource.h"

// Closes on its OK button only; the close box and Escape leave it open.
static INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

void run_about_box(HWND owner)
{
    DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, about_proc, 0);
}
