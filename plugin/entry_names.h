// Names the plug-in makes from untrusted text: playlist entries of archive members
// ("archive<MEMBER"), and the file name a member gets when it is copied out for another
// program. Paths hold at most 259 characters. Portable.
#ifndef PLUGIN_ENTRY_NAMES_H
#define PLUGIN_ENTRY_NAMES_H

#include <stddef.h>

enum { PATH_MAX_CHARS = 259, PATH_BUFFER = PATH_MAX_CHARS + 1 };

// An entry names an archive member when it holds '<' (no file name can).
bool is_packed_entry(const char *name);

// "%s<%s" into out (PATH_BUFFER bytes). False (out empty) when longer than 259 characters:
// such an entry could not be played back, since the host's names are no longer.
bool form_entry(char *out, const char *archive, const char *member);

// Splits at the first '<': the archive path before it, the member name after it. False
// (both empty) when there is no '<' or either part does not fit PATH_BUFFER bytes.
bool split_entry(const char *entry, char *archive, char *member);

// The member's last name component (after any '\', '/' or ':'), with every character a
// Windows file name may not hold replaced by '_', trailing dots and blanks replaced too, and
// the device names (CON, NUL, COM1, ...) given a leading '_': a name that stays inside the
// folder it is joined to. An empty result becomes "_". out holds outSize bytes.
void member_file_name(const char *member, char *out, size_t outSize);

// "<folder>\<name>" into out (PATH_BUFFER bytes); false (out empty) when it does not fit.
bool join_path(char *out, const char *folder, const char *name);

// ASCII case-insensitive equality, as the platform compares file names.
bool same_path(const char *a, const char *b);

#endif
