// The installer's file work: writing an embedded file out, and the shell's folder picker.
#ifndef SETUP_SETUP_FILES_H
#define SETUP_SETUP_FILES_H

#include <windows.h>

// Writes the RCDATA resource `id` of this program to `path`, created with `disposition`
// (CREATE_ALWAYS, or CREATE_NEW to never replace a file) without sharing. True only when
// every byte of the resource reached the file; a file left short (a full disk) is
// deleted again.
bool extract_resource(int id, const char *path, DWORD disposition);

// Writes `count` bytes through `file`; true when all of them were written.
bool write_all(HANDLE file, const void *bytes, DWORD count);

// The shell's folder picker with `title`; the folder chosen goes into `path` (260
// characters and the terminator). True when one was chosen.
bool browse_folder(char *path, const char *title);

#endif
