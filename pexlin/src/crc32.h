// CRC-32 of the ZIP format: ITU-T V.42 polynomial, reflected (0xEDB88320). Callers pass and
// get back the register without the complements (a member starts at 0xFFFFFFFF and
// complements the end).
#ifndef PEXLIN_CRC32_H
#define PEXLIN_CRC32_H

#include <stdint.h>

// The fastest way this processor has.
uint32_t crc32_bytes(uint32_t crc, const uint8_t *bytes, uint32_t count);
// The same by tables alone, whatever the processor (crc32_bytes uses it for short runs).
uint32_t crc32_tables(uint32_t crc, const uint8_t *bytes, uint32_t count);

#endif
