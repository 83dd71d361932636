// Zipped modules: which files are archives, and how a module taken out of one is named
// ("archive.zip<MEMBER.MOD", as the player plug-in names its playlist entries). Portable.
#ifndef GRABBER_PACKED_NAMES_H
#define GRABBER_PACKED_NAMES_H

#include <stddef.h>

// True for the archive extensions .mdz, .s3z, .xmz, .itz and .zip, in any case.
bool is_packed_module_name(const char *path);

// Text members (.txt, .nfo, .diz) come out of an archive beside its modules, for players
// that show them; the grabber has nothing to list for them.
bool is_text_member_name(const char *name);

// "<file name of archivePath><<member>" in outSize bytes, cut when longer.
void packed_member_name(char *out, size_t outSize, const char *archivePath, const char *member);

#endif
