// Member names: mapping a stored path to a plain file name, and the extension tests that
// choose where a member's bytes go.
#ifndef PEXLIN_NAMES_H
#define PEXLIN_NAMES_H

#include <stddef.h>

// The process-wide list of module extensions; every token counts, the last one included.
extern const char EXTENSION_LIST[];

// Maps `stored` into `out` (room for PEXLIN_NAME_MAX characters and a terminator) and
// returns the length; 0 means the name maps to nothing.
size_t map_name(const char *stored, char *out);

// The text after the last '.' or '\' of a mapped name, or the whole name without either.
const char *name_extension(const char *name);

bool is_text_extension(const char *ext);
bool extension_in_list(const char *ext, const char *list);
bool same_text_nocase(const char *a, const char *b);

#endif
