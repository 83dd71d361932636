#include "pages.h"

#if defined(_WIN32)
#include <windows.h>

void *pages_alloc(size_t bytes)
{
    // A zero-size commit fails anyway; say so without asking the system.
    if (bytes == 0)
        return nullptr;
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
}

void pages_free(void *block)
{
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
}

#else
#include <stdlib.h>

void *pages_alloc(size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    return calloc(bytes, 1);
}

void pages_free(void *block)
{
    free(block);
}
#endif
