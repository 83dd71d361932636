// The size of a module image in memory, read from the module's own headers.
//
// Callers hand over a module as a bare pointer (length 0), but the renderer must be told
// how many bytes the module has: its loaders compare that size with what the headers add
// up to (the MOD loader tells a 4-channel file from an 8-channel one and a song file from
// a module that way, and truncates the last sample at the end) and read chunks up to it.
// Overshooting changes how some files load and play, so the size comes from the headers
// (pattern and sample sizes per format) wherever the format gives it, and is never more
// than the readable extent the caller can vouch for.
#ifndef BASS_MODULE_SIZE_H
#define BASS_MODULE_SIZE_H

#include <stddef.h>
#include <stdint.h>

enum ModuleKind {
    KindOther, // a format whose size the headers do not give: the readable extent
    KindMod,   // 31-sample MOD with a channel tag (M.K., xCHN, xxCH, FLT4, ...)
    KindSt,    // 15-sample MOD without a tag
    KindS3m,
    KindXm,
    KindIt,
};

struct ModuleExtent {
    ModuleKind kind;
    size_t size; // bytes of the module, at most the readable extent
};

// `data` points at the module, `readable` bytes of which may be read.
ModuleExtent module_extent(const uint8_t *data, size_t readable);

#endif
