// The size of the buffer a sample is grabbed through. Portable.
#ifndef GRABBER_GRAB_BUFFER_H
#define GRABBER_GRAB_BUFFER_H

#include "virn.h"

#include <stdint.h>

// Room for the WAV image of the entry (byteLength + 300) and for its `length` stored bytes,
// whichever is more. False when that does not fit in 32 bits: the library caps sample
// sizes well below, but the entry may come from an edited copy, so it is checked here.
bool grab_buffer_size(const CatalogEntry *entry, uint32_t *size);

#endif
