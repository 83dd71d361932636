// quorvel_setup: one dialog that writes the carried files where they belong.
#include <windows.h>

#include <ole2.h>

#include "install_dialog.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The shell's folder picker needs OLE on this thread.
    OleInitialize(nullptr);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_INSTALLER), nullptr, install_dialog_proc, 0);
    OleUninitialize();
    ExitProcess(0);
}
