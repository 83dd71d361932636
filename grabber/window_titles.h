// Titles of the frame and the module windows. Song names and file names are untrusted and
// of any length: titles are cut to their buffer, never past it. Portable.
#ifndef GRABBER_WINDOW_TITLES_H
#define GRABBER_WINDOW_TITLES_H

#include <stddef.h>

// The text after the last backslash of a path, or the whole path when it has none.
const char *file_name_part(const char *path);

// "<song> [<file>]" in outSize bytes. When it does not fit, the song name is shortened
// first and then the file name, so the brackets stay and the file stays recognisable.
void module_window_title(char *out, size_t outSize, const char *song, const char *file);

// "<song> - Virn", the song name shortened when needed.
void frame_title(char *out, size_t outSize, const char *song);

#endif
