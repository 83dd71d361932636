// CRC-32 of the ZIP format: ITU-T V.42 polynomial, reflected (0xEDB88320), one table
// lookup per byte. The table is a constant, so concurrent calls share nothing writable.
#include "unzip_state.h"

namespace
{

struct Crc32Table {
    uint32_t entry[256];
    constexpr Crc32Table() : entry()
    {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[n] = c;
        }
    }
};

constexpr Crc32Table crc_table;

} // namespace

uint32_t crc32_bytes(uint32_t crc, const uint8_t *bytes, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++)
        crc = crc_table.entry[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

void crc32_update(UnzipState *s, const uint8_t *bytes, uint32_t count)
{
    s->crc = crc32_bytes(s->crc, bytes, count);
}
