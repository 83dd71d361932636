// The external program of the information command: its command line setting holds the
// text %mod where the module's file name goes; a setting that begins with "plg" names
// another input plug-in instead. Portable.
#ifndef PLUGIN_EXTERNAL_COMMAND_H
#define PLUGIN_EXTERNAL_COMMAND_H

#include <stddef.h>

// Every %mod becomes modulePath, in double quotes when it holds a blank (unless the
// setting already quotes it). A setting without %mod gets a blank and the (quoted) path
// appended. False (out empty) when the command does not fit in outSize bytes.
bool form_command(char *out, size_t outSize, const char *setting, const char *modulePath);

// True when the setting names a plug-in ("plg" followed by its file name).
bool is_plugin_command(const char *setting);

// "<settingsDir>\Plugins\<setting after plg>" into out (PATH_BUFFER bytes).
bool plugin_path(char *out, const char *settingsDir, const char *setting);

// The module's folder: its path up to the last '\' (empty when there is none).
void module_folder(char *out, size_t outSize, const char *modulePath);

#endif
