/* pexlin: unpacks the modules inside a ZIP archive held in memory.
 *
 * One call of check_and_process_arc walks the archive's central directory and returns a
 * chain of ExtractedMember records, one per extracted member, each with a private copy of
 * the member's bytes. The caller owns every record and data block from then on. On Windows
 * both come from VirtualAlloc: release the data block, then the record, each with
 * VirtualFree(p, 0, MEM_RELEASE). Elsewhere they come from calloc: release them with free().
 */
#ifndef PEXLIN_H
#define PEXLIN_H

#include <stdint.h>

#if defined(_WIN32)
#define PEXLIN_CALL __stdcall
#define PEXLIN_EXPORT
#else
#define PEXLIN_CALL
#define PEXLIN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum { PEXLIN_NAME_FIELD = 1040, PEXLIN_NAME_MAX = 255 };

/* Crosses the DLL boundary with fixed offsets: 1052 bytes on 32-bit targets. */
#pragma pack(push, 1)
typedef struct ExtractedMember {
    char name[PEXLIN_NAME_FIELD]; /* mapped member name, at most 255 characters + NUL */
    uint8_t *data;                /* the member's bytes; null when size is 0 */
    uint32_t size;                /* uncompressed size; the data block is exactly this long */
    struct ExtractedMember *next; /* next record of the chain, or null */
} ExtractedMember;
#pragma pack(pop)

/* archive: the whole archive image (read only, never kept).
 * append_after: when not null, the first new record becomes its `next`.
 * wanted_name: null extracts every acceptable member; otherwise only members whose mapped
 * name equals it byte for byte.
 * Returns the first record made by this call, or null when the image is no archive or
 * holds no module member (a null result leaves no record behind and append_after as it was). */
PEXLIN_EXPORT ExtractedMember *PEXLIN_CALL check_and_process_arc(const uint8_t *archive,
                                                                 uint32_t size,
                                                                 ExtractedMember *append_after,
                                                                 const char *wanted_name);

#ifdef __cplusplus
}
#endif

#endif
