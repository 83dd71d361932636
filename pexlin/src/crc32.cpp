// CRC-32 of the ZIP format: ITU-T V.42 polynomial, reflected (0xEDB88320).
//
// Every decoded byte passes through here, so the CRC is taken 16 bytes per step ("slicing"):
// table k maps a byte to the CRC contribution it makes when k zero bytes follow it, so the
// 16 bytes of a step are looked up independently and their contributions XORed, instead of
// running 16 dependent lookups one after another. Table 0 is the classic byte-at-a-time
// table, which also takes the bytes left over at the end. The tables are constants, so
// concurrent calls share nothing writable.
#include "unzip_state.h"

namespace
{

enum { SLICES = 16 };

struct Crc32Tables {
    uint32_t entry[SLICES][256];
    constexpr Crc32Tables() : entry()
    {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[0][n] = c;
        }
        // One more zero byte behind: shift the CRC by a byte and fold the byte that falls out.
        for (int k = 1; k < SLICES; k++) {
            for (uint32_t n = 0; n < 256; n++) {
                uint32_t c = entry[k - 1][n];
                entry[k][n] = (c >> 8) ^ entry[0][c & 0xFF];
            }
        }
    }
};

constexpr Crc32Tables crc_tables;

// Four bytes, the first lowest: the CRC's reflected form takes bytes in that order. Written
// with shifts so it does not depend on the host's byte order; compilers make it one load.
inline uint32_t le32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

} // namespace

uint32_t crc32_bytes(uint32_t crc, const uint8_t *bytes, uint32_t count)
{
    const uint32_t(*t)[256] = crc_tables.entry;
    while (count >= SLICES) {
        // Byte i of the step is followed by 15 - i more bytes of it.
        uint32_t a = crc ^ le32(bytes);
        uint32_t b = le32(bytes + 4);
        uint32_t c = le32(bytes + 8);
        uint32_t d = le32(bytes + 12);
        crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
              t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
              t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
              t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        bytes += SLICES;
        count -= SLICES;
    }
    for (uint32_t i = 0; i < count; i++)
        crc = t[0][(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

void crc32_update(UnzipState *s, const uint8_t *bytes, uint32_t count)
{
    s->crc = crc32_bytes(s->crc, bytes, count);
}
