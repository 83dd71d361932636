// Member extraction: a member's compressed bytes, from where the input stands, through the
// decoder its method names into the output, checked against its declared size and CRC-32.
#ifndef PEXLIN_MEMBER_H
#define PEXLIN_MEMBER_H

#include "methods.h"

// What extraction takes from a member's local header (the central directory's values for a
// streamed member).
struct MemberHeader {
    uint16_t method;
    uint16_t flags; // general-purpose flags: implode's dictionary and literal tree
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
};

// Everything extraction works on during one call of the library.
struct Engine {
    Input in;
    Output out;
    FixedTables fixed;
    MethodArea area;
};

// The member whose compressed data starts at the input's position, into the buffer that
// its (mapped) name chooses. StatusOk, or StatusWarning for a short, damaged or unsupported
// member; worse for output that could not be opened or invalid deflate data.
Status extract_member(Engine *e, const MemberHeader &h, const char *name);

// The largest uncompressed size that `method` can produce from `compressed` bytes.
uint64_t largest_output(int method, uint64_t compressed);

// One member on its own, extracted as the archive walk extracts a module member: its
// compressed data at `offset` in `image`. Its bytes come back in a block from page_alloc
// (release it with page_free), or null when none came out.
Status run_member(const uint8_t *image, uint32_t size, uint32_t offset, const MemberHeader &h,
                  uint8_t **bytes, uint32_t *length);

#endif
