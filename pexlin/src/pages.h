// Large zero-filled blocks (the call's state, output buffers, records and their data) come
// from one small shim: whole pages from the system on Windows, calloc elsewhere. Records
// handed to the caller must come from here, because the caller releases them the same way.
#ifndef PEXLIN_PAGES_H
#define PEXLIN_PAGES_H

#include <stddef.h>

void *pages_alloc(size_t bytes); // zero-filled; null for 0 bytes or when out of memory
void pages_free(void *block);    // null is ignored

#endif
