// One run of the host: loads an input plug-in by path, fills its record as the player
// does, and carries out one command. Every result is printed to `out` as "key: value"
// lines. Returns the program's exit status: 0 done, 1 the plug-in or the file failed,
// 2 usage error, 3 the song did not end within the time allowed.
//
//   PLUGIN play FILE [-o OUT.wav] [--seek MS] [--pause-at MS] [--seconds N] [--dsp]
//   PLUGIN info FILE        title, length and the playlist entries the plug-in enqueued
//   PLUGIN infobox FILE     the plug-in's information command
//   PLUGIN config | about
// Every command takes --ini-dir DIR, the settings folder the host reports (default: the
// host program's folder).
#ifndef HOST_SESSION_H
#define HOST_SESSION_H

#include <windows.h>

#include <stdio.h>

int host_run(int argc, char **argv, FILE *out);

// Loads an input plug-in and fills its record as the player does (the main window, the
// host's output module and hooks), short of Init. Null, with nothing loaded, when the
// file is no input plug-in.
struct In_Module;
In_Module *host_load_plugin(const char *path, HMODULE *library);

#endif
