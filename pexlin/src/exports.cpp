// The library's one entry point, under the calling convention the plug-in expects.
#include "archive.h"

extern "C" PEXLIN_EXPORT ExtractedMember *PEXLIN_CALL check_and_process_arc(
    const uint8_t *archive, uint32_t size, ExtractedMember *append_after, const char *wanted_name)
{
    return process_archive(archive, size, append_after, wanted_name, nullptr);
}
