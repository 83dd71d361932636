// CRC-32 of the ZIP format: ITU-T V.42 polynomial, reflected (0xEDB88320).
//
// Every decoded byte passes through here, so it is the engine's hottest loop after the
// decoders themselves. Two table methods make it fast without any processor-specific code:
//
// - Slicing: table k maps a byte to the CRC contribution it makes when k zero bytes follow
//   it, so the 8 bytes of a step are looked up independently and their contributions XORed,
//   instead of running 8 dependent lookups one after another. Table 0 is the classic
//   byte-at-a-time table, which also takes the bytes left over at the end.
// - Lanes: one CRC still waits for its previous step's lookups. Long runs are therefore cut
//   into four consecutive lanes of LANE bytes whose CRCs are taken side by side, each
//   independent of the others, and joined at the end of the four. Four lanes of 2048 bytes
//   divide the 32 KB and 8 KB windows that the decoders hand over, so these usually run
//   entirely in lanes.
//
// Joining: without the initial and final complement (which the caller applies), the CRC
// register is linear in the register and the data. Appending n bytes to a message whose
// register is r gives (r times x^(8n)) + (the register of those n bytes alone, started at
// 0), products and sums taken modulo the polynomial. So four lanes A, B, C, D with
// registers a (started at the caller's register), b, c and d (started at 0) join as
//     a * x^(8 * 3 * LANE)  +  b * x^(8 * 2 * LANE)  +  c * x^(8 * LANE)  +  d.
// The three powers are constants. The tables are constants, so concurrent calls share
// nothing writable.
#include "crc32.h"

#include "crc32_clmul.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace
{

enum { SLICES = 8, LANES = 4, LANE = 2048, CLMUL_MIN = 64 };

const uint32_t POLY = 0xEDB88320u;

struct Crc32Tables {
    uint32_t entry[SLICES][256];
    constexpr Crc32Tables() : entry()
    {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? POLY ^ (c >> 1) : c >> 1;
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

// x^(8 * bytes) modulo the polynomial, in the reflected form (bit 31 is the x^0 term):
// the factor that appends `bytes` zero bytes to a register.
constexpr uint32_t zero_bytes_factor(uint32_t bytes)
{
    uint32_t r = 0x80000000u; // x^0
    for (uint32_t i = 0; i < 8 * bytes; i++)
        r = (r & 1) ? (r >> 1) ^ POLY : r >> 1; // times x
    return r;
}

constexpr uint32_t AFTER_ONE_LANE = zero_bytes_factor(LANE);
constexpr uint32_t AFTER_TWO_LANES = zero_bytes_factor(2 * LANE);
constexpr uint32_t AFTER_THREE_LANES = zero_bytes_factor(3 * LANE);

// a * b modulo the polynomial, both reflected: for every term x^k of a (bit 31 - k), add
// b * x^k, which grows by one factor x per step.
inline uint32_t multiply(uint32_t a, uint32_t b)
{
    uint32_t product = 0;
    for (int k = 0; k < 32; k++) {
        product ^= b & (0u - (a >> 31));
        a <<= 1;
        b = (b >> 1) ^ (POLY & (0u - (b & 1)));
    }
    return product;
}

// Four bytes, the first lowest: the CRC's reflected form takes bytes in that order. Written
// with shifts so it does not depend on the host's byte order; compilers make it one load.
inline uint32_t le32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// Eight bytes into the register: byte i of the step is followed by 7 - i more bytes of it.
inline uint32_t step8(uint32_t crc, const uint8_t *bytes)
{
    const uint32_t(*t)[256] = crc_tables.entry;
    uint32_t a = crc ^ le32(bytes);
    uint32_t b = le32(bytes + 4);
    return t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^
           t[3][b & 0xFF] ^ t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
}

} // namespace

uint32_t crc32_tables(uint32_t crc, const uint8_t *bytes, uint32_t count)
{
    while (count >= LANES * LANE) {
        uint32_t a = crc, b = 0, c = 0, d = 0;
        for (uint32_t i = 0; i < LANE; i += SLICES) {
            a = step8(a, bytes + i);
            b = step8(b, bytes + LANE + i);
            c = step8(c, bytes + 2 * LANE + i);
            d = step8(d, bytes + 3 * LANE + i);
        }
        crc = multiply(a, AFTER_THREE_LANES) ^ multiply(b, AFTER_TWO_LANES) ^
              multiply(c, AFTER_ONE_LANE) ^ d;
        bytes += LANES * LANE;
        count -= LANES * LANE;
    }
    while (count >= SLICES) {
        crc = step8(crc, bytes);
        bytes += SLICES;
        count -= SLICES;
    }
    for (uint32_t i = 0; i < count; i++)
        crc = crc_tables.entry[0][(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

bool crc32_clmul_available()
{
#if defined(__i386__) || defined(__x86_64__)
    static const bool available = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d))
            return false;
        const unsigned SSE2 = 1u << 26;     // EDX
        const unsigned PCLMULQDQ = 1u << 1; // ECX
        return (d & SSE2) != 0 && (c & PCLMULQDQ) != 0;
    }();
    return available;
#else
    return false;
#endif
}

uint32_t crc32_bytes(uint32_t crc, const uint8_t *bytes, uint32_t count)
{
    if (count >= CLMUL_MIN && crc32_clmul_available()) {
        uint32_t n = count & ~15u;
        crc = crc32_clmul(crc, bytes, n);
        bytes += n;
        count -= n;
    }
    return crc32_tables(crc, bytes, count);
}
