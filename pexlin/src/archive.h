// The archive walk behind check_and_process_arc: recognition, the central directory in
// groups of 64 accepted entries, and one record per extracted member.
#ifndef PEXLIN_ARCHIVE_H
#define PEXLIN_ARCHIVE_H

#include <stdint.h>

#include "unzip_state.h"

// The offset of the end record nearest the image's end within its last 65,557 bytes,
// or -1. Leaves the state's input where the search stopped.
int64_t find_end_record(UnzipState *s);

// Reads the end record at `offset` into s->end; false when it does not fit.
bool read_end_record(UnzipState *s, int64_t offset);

// The largest uncompressed size that `method` can produce from `compressed` bytes.
uint64_t largest_output(int method, uint64_t compressed);

// The whole call; returns the first record made, or null.
ExtractedMember *process_archive(const uint8_t *archive, uint32_t size,
                                 ExtractedMember *append_after, const char *wanted_name,
                                 int *walk_status);

#endif
