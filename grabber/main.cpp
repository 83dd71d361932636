// Virn.exe: the sample grabber. Everything but the entry point is in the grabber library,
// which the tests drive as well.
#include "frame.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    ExitProcess((UINT)run_grabber(instance, GetCommandLineA()));
}
