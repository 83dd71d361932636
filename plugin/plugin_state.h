// The plug-in's process-wide state that this part of it owns: the settings record, the
// pending output choice of the configuration dialog, the packed-module list, and what the
// host told it (its main window, the plug-in's own instance). The module record's code
// sets g_hostWindow and g_pluginInstance before the first call that needs them.
#ifndef PLUGIN_STATE_H
#define PLUGIN_STATE_H

#include <windows.h>

#include "packed_list.h"
#include "settings_format.h"

extern Settings g_settings;
// The dialog's "Allow BASS to play songs" choice; Stop copies it into
// g_settings.libraryOutput, so a change takes effect from the next song.
extern volatile LONG g_pendingLibraryOutput;
extern PackedList g_packedList;
extern HWND g_hostWindow;
extern HINSTANCE g_pluginInstance; // holds the dialog resources

#endif
