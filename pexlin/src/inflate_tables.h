// The decoding tables of the deflate decoder and the one function that builds them.
#ifndef PEXLIN_INFLATE_TABLES_H
#define PEXLIN_INFLATE_TABLES_H

#include <stdint.h>

#include "status.h"

// One entry: op 16 literal, 15 end of block, 99 invalid code, 0..13 a base whose extra-bit
// count is op, above 16 a link to a sub-table indexed by (op - 16) more bits.
struct HuffCode {
    uint8_t op;
    uint8_t bits; // bits of the code (or of this part of it)
    uint16_t val; // literal, base length or distance, or the sub-table's offset
};

enum { OP_EXTRA_MAX = 13, OP_END = 15, OP_LITERAL = 16, OP_INVALID = 99 };

// Table sizes; inflate_tables.cpp proves them.
enum {
    LENS_TABLE_SIZE = 128,           // code-length code: root 7, codes of at most 7 bits
    LIT_TABLE_SIZE = 512 + 288 * 64, // literal/length: root 9
    DIST_TABLE_SIZE = 64 + 32 * 512, // distance: root 6, incomplete codes allowed
    FIXED_LIT_SIZE = 128 + 128 * 4,  // fixed literal/length: root 7, codes of 7 to 9 bits
    FIXED_DIST_SIZE = 32,            // fixed distance: 5-bit codes
};

// A table for the code lengths of `n` symbols. Symbols below `s` are literals (256 ends a
// block when s is 257); the others take base and extra bits from the two tables at index
// symbol - s. `width` asks for the primary table's index bits and gives back those used.
// StatusOk for a complete code, or an incomplete one where `incomplete_ok`; StatusBadFormat
// for an over-subscribed or unwanted incomplete code.
Status build_huffman_table(const uint8_t *lengths, unsigned n, unsigned s, const uint16_t *base,
                           const uint8_t *extra, bool incomplete_ok, HuffCode *table,
                           unsigned capacity, unsigned *width);

#endif
