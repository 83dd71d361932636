// The settings files of the grabber and the plug-in live beside the running program
// (Windows only; the rule itself is path_beside in file_names.h).
#ifndef GRABBER_BESIDE_PROGRAM_H
#define GRABBER_BESIDE_PROGRAM_H

#include <windows.h>

#include "file_names.h"

// Fills an empty `out` once with the path of `name` in the running program's folder and
// returns it. A program path cut at MAX_PATH names some other folder: then, as when the
// result does not fit, the bare name it is.
inline const char *path_beside_program(const char *name, char *out, size_t outSize)
{
    if (!out[0]) {
        char program[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
        if (n == 0 || n >= sizeof program || !path_beside(program, name, out, outSize))
            lstrcpynA(out, name, (int)outSize);
    }
    return out;
}

#endif
