// The grabber's process-wide state and the private messages its windows exchange.
// Everything here belongs to the UI thread.
#ifndef GRABBER_APP_STATE_H
#define GRABBER_APP_STATE_H

#include <windows.h>

#include <stdint.h>
#include <string>
#include <vector>

#include "virn.h"

// Private messages of a module window (sent by the frame, and by the player at its end).
enum {
    WMU_OPENFILE = WM_USER + 1, // lParam: zero-terminated path; answers 0 on success
    WMU_GRABCURRENT = WM_USER + 2,
    WMU_PLAYCURRENT = WM_USER + 3,
    WMU_GRABCHECKED = WM_USER + 4, // lParam: folder path without a trailing backslash
    WMU_UNCHECKALL = WM_USER + 5,
    WMU_CHECKALL = WM_USER + 7,
    WMU_SAMPLEINFO = WM_USER + 8,
    WMU_PLAYDONE = WM_USER + 9,
    WMU_OPENIMAGE = WM_USER + 16 // lParam: const ModuleImage *; answers 0 on success
};

// Set in a row's item data when the info dialog left the entry different from the
// library's; such rows are drawn tinted.
enum { EDITED_MARK = 123 };

enum { NO_CURRENT_ROW = -1 };

static const COLORREF ListColour = 0xD3FEFD;   // pale yellow
static const COLORREF EditedColour = 0xFDE8E9; // pale lavender

// A module that is already in memory (a member taken out of an archive).
struct ModuleImage {
    const uint8_t *bytes;
    uint32_t size;
    const char *displayName; // the file part of the title, "archive.zip<MEMBER.MOD"
};

// One per module window, from the application heap, in the window's user-data slot.
struct ModuleWindowData {
    ModuleHandle module; // 0 until a module has loaded
    HWND list;
    CatalogEntry *catalog; // private copy: edits go here, grabbing reads from here
    int entryCount;
};

struct AppState {
    HANDLE heap;
    HINSTANCE instance;
    HWND frame;
    HWND toolbar;
    HWND mdiClient;
    HMENU menu;
    HBITMAP toolbarBitmap;
    HACCEL accelerators;
    std::vector<std::string> commandLineFiles;
    uint32_t outputVolume;
    uint32_t outputDevice;
    int playing;
    bool frameClosing; // set while the frame is being destroyed
};

extern AppState g_app;

// Shell dialogs and file writes go through these, so that tests can answer the dialogs
// and simulate a full disk. The defaults call the system.
struct ShellHooks {
    BOOL(WINAPI *getOpenFileName)(OPENFILENAMEA *);
    BOOL(WINAPI *getSaveFileName)(OPENFILENAMEA *);
    // Fills path (MAX_PATH) with the chosen folder, without a trailing backslash.
    bool (*browseForFolder)(char *path);
    BOOL(WINAPI *writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
};

extern ShellHooks g_shell;

// Message box texts and captions shared by several files.
extern const char AppCaption[];       // "Virn"
extern const char SelectSampleText[]; // "You must select sample from list"

#endif
