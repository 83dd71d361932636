// Quorvel.cfg beside the host's program file: read at Init, written at Quit.
#ifndef PLUGIN_SETTINGS_FILE_H
#define PLUGIN_SETTINGS_FILE_H

#include "settings_format.h"

// The file's path: the running program's path with its file name replaced.
const char *settings_file_path();

// A missing, unreadable or short file gives the defaults. Also sets the pending flag.
void load_settings_from(const char *path);
void load_settings();
// Nothing is written when the file cannot be created.
void save_settings_to(const char *path);
void save_settings();

#endif
