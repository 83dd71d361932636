// File names for grabbed samples. Sample names are untrusted text from the module:
// they are made safe before they become part of a path.
#ifndef GRABBER_FILE_NAMES_H
#define GRABBER_FILE_NAMES_H

#include <stddef.h>

#if defined(_WIN32)
#define PATH_SEPARATOR '\\'
#else
#define PATH_SEPARATOR '/'
#endif

// Copies `text` into out (outSize bytes, zero-terminated, cut when longer), replacing
// every character that a Windows file name may not hold or that separates paths
// (\ / : * ? " < > | and control characters) with '_'. A result made of dots only
// ("." or "..") has its dots replaced as well, so it can never leave the folder.
void safe_file_part(const char *text, char *out, size_t outSize);

// A whole file or folder name made of untrusted text, safe to create on Windows: as
// safe_file_part, and also never a device (CON, NUL, COM1 ... get a leading '_'), never
// ending in a dot or blank (Windows drops them, so "a." would meet "a" and ".." the parent
// folder; they become '_'), never empty ("_").
void safe_file_name(const char *text, char *out, size_t outSize);

// The path of `fileName` in the folder of `programPath` (the part up to the last \ or /),
// in out (outSize bytes); false, with out empty, when it does not fit.
bool path_beside(const char *programPath, const char *fileName, char *out, size_t outSize);

// "<folder><sep><name>(<row, 3 digits>).<ext>" with the name made safe. When the result
// would not fit in outSize bytes the name is shortened; false when even an empty name
// does not fit (out is then empty).
bool batch_file_name(char *out, size_t outSize, const char *folder, const char *name, int row,
                     const char *extension);

#endif
