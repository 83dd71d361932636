// Small text helpers of virn-grab: JSON strings from module text, CRC-32, names.
#ifndef CLI_TEXT_OUT_H
#define CLI_TEXT_OUT_H

#include <stddef.h>
#include <stdint.h>
#include <string>

// A JSON string literal (with quotes) of zero-terminated module text: bytes above 0x7F
// are code page 1252 and become UTF-8, control characters are escaped.
std::string json_string(const char *text);
// The CRC-32 of the ZIP polynomial (0xEDB88320, reflected, inverted in and out).
uint32_t crc32_of(const uint8_t *data, size_t size);
// The format's short name for a ModuleType code ("MOD", "S3M", ...; "?" if unknown).
const char *format_name(uint32_t moduleType);
// "none", "forward", "ping-pong" or "-" (the format has no such loop).
const char *loop_kind_name(uint8_t kind);

#endif
