// The about box (dialog resource 103): credit lines with three live links drawn and
// handled by the plug-in itself (normal, hovered and pressed colours, the hand cursor, a
// release over a link opens its target).
#ifndef PLUGIN_ABOUT_BOX_H
#define PLUGIN_ABOUT_BOX_H

#include <windows.h>

// At Init: the links' texts and targets, and the hand cursor from the plug-in's resources.
void about_box_init(HINSTANCE plugin);

// Modal, owned by parent; the resources come from g_pluginInstance.
void about_box(HWND parent);

// Opens a link's target; tests put their own here.
extern HINSTANCE(WINAPI *g_openLink)(HWND owner, LPCSTR verb, LPCSTR target, LPCSTR parameters,
                                     LPCSTR folder, INT show);

#endif
