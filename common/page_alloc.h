// Large zero-filled buffers (module copies, catalogs, archive records and members) come
// from one small shim shared by both libraries: whole pages from the system on Windows,
// calloc elsewhere. Pages are what the libraries' callers release (VirtualFree on Windows).
#ifndef PAGE_ALLOC_H
#define PAGE_ALLOC_H

#include <stddef.h>

// Zero-filled; null only when out of memory. A request for 0 bytes still gets a usable
// block (one page), so "non-null" always means "allocated" to the caller.
void *page_alloc(size_t bytes);
void page_free(void *block); // null is ignored

#endif
