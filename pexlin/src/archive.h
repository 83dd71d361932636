// The archive walk behind check_and_process_arc: recognition of the image, the central
// directory in groups of 64 accepted entries, the local headers, and one record per
// extracted member. Extraction itself is member.h's.
#ifndef PEXLIN_ARCHIVE_H
#define PEXLIN_ARCHIVE_H

#include <stdint.h>

#include "pexlin.h"

// The whole call; returns the first record made, or null.
ExtractedMember *process_archive(const uint8_t *archive, uint32_t size,
                                 ExtractedMember *append_after, const char *wanted_name);

#endif
