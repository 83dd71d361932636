#include "archive_members.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <stdlib.h>
#endif

bool starts_like_zip(const uint8_t *file, size_t size)
{
    return size >= 4 && file[0] == 'P' && file[1] == 'K' &&
           ((file[2] == 3 && file[3] == 4) || (file[2] == 5 && file[3] == 6));
}

ExtractedMember *unpack_members(const uint8_t *file, size_t size)
{
    if (size == 0 || size > 0xFFFFFFFFu)
        return nullptr;
    return check_and_process_arc(file, (uint32_t)size, nullptr, nullptr);
}

// The library's blocks come from VirtualAlloc on Windows and from calloc elsewhere.
static void release_block(void *block)
{
    if (!block)
        return;
#if defined(_WIN32)
    VirtualFree(block, 0, MEM_RELEASE);
#else
    free(block);
#endif
}

void release_members(ExtractedMember *chain)
{
    while (chain) {
        ExtractedMember *next = chain->next;
        release_block(chain->data);
        release_block(chain);
        chain = next;
    }
}
