#include "package.h"

#include "virn.h"

#include <string.h>

static bool has_at(const uint8_t *file, size_t size, size_t at, const char *tag)
{
    size_t n = strlen(tag);
    return at <= size && n <= size - at && memcmp(file + at, tag, n) == 0;
}

static uint32_t le32_at(const uint8_t *file, size_t size, size_t at)
{
    if (at > size || size - at < 4)
        return 0;
    const uint8_t *p = file + at;
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

uint32_t packaged_module_type(const uint8_t *file, size_t size)
{
    // The formats the library tries before the wrapper, by their fixed signatures.
    if (has_at(file, size, 0, "Extended Module") || has_at(file, size, 0, "IMPM") ||
        has_at(file, size, 44, "SCRM"))
        return 0;
    // The package shape: at least 2048 bytes, the import table inside the file, the
    // export table within its last 512 bytes and at least 16 bytes before the end.
    if (size < 2048 || size > 0xFFFFFFFFu)
        return 0;
    uint32_t length = (uint32_t)size;
    uint32_t exports = le32_at(file, size, 24);
    if (le32_at(file, size, 32) >= length || exports > length - 16 || exports < length - 512)
        return 0;
    // The first position from 64 to 1279 that holds a mark; a MOD tag counts only past
    // 1080, where the module it ends can start inside the file.
    for (size_t i = 64; i <= 1279; i++) {
        if (has_at(file, size, i, "IMPM"))
            return VIRN_TYPE_IT;
        if (has_at(file, size, i, "SCRM"))
            return VIRN_TYPE_S3M;
        if (has_at(file, size, i, "Extended Module"))
            return VIRN_TYPE_XM;
        if (i > 1080 && has_at(file, size, i, "M.K."))
            return VIRN_TYPE_MOD;
    }
    return 0;
}
