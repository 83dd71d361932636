#include "page_alloc.h"

#if defined(_WIN32)
#include <windows.h>

void *page_alloc(size_t bytes)
{
    // VirtualAlloc refuses a size of 0; one page keeps the "non-null means usable" rule.
    return VirtualAlloc(nullptr, bytes ? bytes : 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void page_free(void *block)
{
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
}

#else
#include <stdlib.h>

void *page_alloc(size_t bytes)
{
    return calloc(bytes ? bytes : 1, 1);
}

void page_free(void *block)
{
    free(block);
}
#endif
