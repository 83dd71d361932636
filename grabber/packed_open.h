// Zipped modules (.mdz, .s3z, .xmz, .itz, .zip): every module inside gets a module window
// of its own, titled "song [archive.zip<MEMBER.MOD]". The archive library pexlin.dll is
// loaded by name when needed, so the program runs without it.
#ifndef GRABBER_PACKED_OPEN_H
#define GRABBER_PACKED_OPEN_H

#include "packed_names.h"

// True when the file was an archive with at least one module inside and windows were
// made for them; false (nothing done) when the file cannot be read, pexlin.dll or its
// entry point is missing, or the archive holds no module: the caller then opens the file
// as a plain module, which gives the usual message when it is none.
bool open_packed_modules(const char *path);

#endif
