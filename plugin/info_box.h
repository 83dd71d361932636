// The information command: hands the module to another input plug-in ("plg" setting) or
// to an external program, after copying a packed entry's member to the settings folder.
#ifndef PLUGIN_INFO_BOX_H
#define PLUGIN_INFO_BOX_H

#include <windows.h>

// The host's InfoBox entry point; always 0.
int info_box(const char *file, HWND parent);

#endif
