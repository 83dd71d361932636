// Zipped modules for virn-grab: the archive library's records, and how they are released.
#ifndef CLI_ARCHIVE_MEMBERS_H
#define CLI_ARCHIVE_MEMBERS_H

#include <stddef.h>
#include <stdint.h>

#include "pexlin.h"

// True when the file begins like a ZIP archive (a local header, or the end record of an
// empty archive): such a file is an archive whatever its extension, and never a module.
bool starts_like_zip(const uint8_t *file, size_t size);

// The archive library's records of every member it extracts, or null when the image is no
// archive it reads or holds no module member. The caller releases the chain.
ExtractedMember *unpack_members(const uint8_t *file, size_t size);

// Releases every record of a chain and its data block, the way the library allocated them.
void release_members(ExtractedMember *chain);

#endif
