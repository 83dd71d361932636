// The configuration dialog (resource 101): shows the settings record, applies the choices
// when it closes with OK or its close box, and sets the pending output choice at once
// whenever "Allow BASS to play songs" changes.
#ifndef PLUGIN_CONFIG_DIALOG_H
#define PLUGIN_CONFIG_DIALOG_H

#include <windows.h>
#include <commdlg.h>

// Modal, owned by parent; the resources come from g_pluginInstance.
void config_dialog(HWND parent);

// The file-open dialog of Browse; tests put their own answer here.
extern BOOL(WINAPI *g_pickProgram)(OPENFILENAMEA *request);

#endif
