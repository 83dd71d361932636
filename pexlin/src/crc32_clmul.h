// CRC-32 by carry-less multiplication, where the processor has it.
#ifndef PEXLIN_CRC32_CLMUL_H
#define PEXLIN_CRC32_CLMUL_H

#include <stdint.h>

// Whether crc32_clmul may be called on this processor (asked once, then remembered).
bool crc32_clmul_available();

// The register after `count` more bytes, for count >= 64 and a multiple of 16; the same
// value the table method gives. Only when crc32_clmul_available() says so.
uint32_t crc32_clmul(uint32_t crc, const uint8_t *bytes, uint32_t count);

#endif
