// Bounds-checked reading of untrusted module bytes. Every read of file data goes
// through a ByteView: a read that does not fit inside the view yields 0, and `fits`
// lets a loader stop before it walks off the end.
#ifndef VIRN_BYTE_VIEW_H
#define VIRN_BYTE_VIEW_H

#include <stdint.h>
#include <string.h>

struct ByteView {
    const uint8_t *bytes;
    uint32_t size;
};

// True when `count` bytes starting at `offset` lie inside the view (no overflow).
inline bool fits(const ByteView &v, uint64_t offset, uint64_t count)
{
    return offset <= v.size && count <= v.size - offset;
}

inline uint8_t rd8(const ByteView &v, uint64_t offset)
{
    return fits(v, offset, 1) ? v.bytes[offset] : 0;
}

inline uint16_t rd16le(const ByteView &v, uint64_t offset)
{
    if (!fits(v, offset, 2))
        return 0;
    const uint8_t *p = v.bytes + offset;
    return (uint16_t)(p[0] | (p[1] << 8));
}

inline uint32_t rd32le(const ByteView &v, uint64_t offset)
{
    if (!fits(v, offset, 4))
        return 0;
    const uint8_t *p = v.bytes + offset;
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

inline uint16_t rd16be(const ByteView &v, uint64_t offset)
{
    if (!fits(v, offset, 2))
        return 0;
    const uint8_t *p = v.bytes + offset;
    return (uint16_t)((p[0] << 8) | p[1]);
}

inline uint32_t rd32be(const ByteView &v, uint64_t offset)
{
    if (!fits(v, offset, 4))
        return 0;
    const uint8_t *p = v.bytes + offset;
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | (uint32_t)p[3];
}

// True when the view holds exactly `tag` (length of the literal without its zero) at offset.
inline bool has_tag(const ByteView &v, uint64_t offset, const char *tag)
{
    size_t n = strlen(tag);
    return fits(v, offset, n) && memcmp(v.bytes + offset, tag, n) == 0;
}

#endif
