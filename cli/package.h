// Recognising modules that came packed in a UMX package. The library hands such a
// module to its own format's loader and reports that format's type; only the file
// itself tells the two apart, so virn-grab looks at it with the same rules.
#ifndef CLI_PACKAGE_H
#define CLI_PACKAGE_H

#include <stddef.h>
#include <stdint.h>

// The ModuleType of the module that the library's UMX wrapper finds in this file (IT,
// S3M, XM or MOD), or 0 when the wrapper does not take the file: it is not shaped like
// a package, holds no mark in the search window, or a format that comes before the
// wrapper in the load order takes the whole file.
uint32_t packaged_module_type(const uint8_t *file, size_t size);

#endif
