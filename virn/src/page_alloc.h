// Large zero-filled buffers (module copies, catalogs) come from one small shim:
// whole pages from the system on Windows, calloc elsewhere.
#ifndef VIRN_PAGE_ALLOC_H
#define VIRN_PAGE_ALLOC_H

#include <stddef.h>

void *page_alloc(size_t bytes); // zero-filled; null when out of memory
void page_free(void *block);    // null is ignored

#endif
