// curset.set: the sound settings, read once the frame is on screen and written when the
// frame is destroyed. The file lives beside Virn.exe, so a program started from another
// folder (the shell's "Open with", a player plug-in that changes the current directory
// first) still finds its settings and writes none into the user's music folders.
#ifndef GRABBER_SETTINGS_FILE_H
#define GRABBER_SETTINGS_FILE_H

#include <windows.h>

// Reads the settings into g_app: the file beside the program, else (once, for a file left
// in the current directory by an earlier version) curset.set in the current directory,
// else the defaults after a warning owned by `owner`.
void load_settings(HWND owner);

// The same with the two places given; saving goes to besideProgram from then on.
void load_settings_from(HWND owner, const char *besideProgram, const char *inCurrentDirectory);

// Writes g_app's settings beside the program (or where load_settings_from was told).
void save_settings();

// Where the settings are saved: "<folder of Virn.exe>\curset.set".
const char *settings_file_path();

#endif
