// The library's one entry point, under the calling convention the plug-in expects.
#include "archive.h"

extern "C" PEXLIN_EXPORT ExtractedMember *PEXLIN_CALL check_and_process_arc(
    const uint8_t *archive, uint32_t size, ExtractedMember *append_after, const char *wanted_name)
{
    return process_archive(archive, size, append_after, wanted_name);
}

#include <stddef.h>

// The record's layout is part of the DLL's interface.
#if UINTPTR_MAX == 0xFFFFFFFF
static_assert(sizeof(ExtractedMember) == 1052, "ExtractedMember is 1052 bytes");
static_assert(offsetof(ExtractedMember, data) == 1040, "data follows the name field");
static_assert(offsetof(ExtractedMember, size) == 1044, "size follows data");
static_assert(offsetof(ExtractedMember, next) == 1048, "next comes last");
#endif
