// Entry points of the method decoders. Each reads the member's compressed data through the
// engine (read_byte, fill_bits) and writes through its output (put_byte, emit_output).
#ifndef PEXLIN_DECODERS_H
#define PEXLIN_DECODERS_H

#include "unzip_state.h"

// Method 8. 0 success (or input used up); 1 invalid data; 2 block type 3 or an
// over-subscribed code; 3 no memory.
enum { INFLATE_OK = 0, INFLATE_INVALID = 1, INFLATE_BAD_BLOCK = 2, INFLATE_NO_MEMORY = 3 };
int inflate_member(UnzipState *s);

void unshrink(UnzipState *s);             // method 1
void unreduce(UnzipState *s, int factor); // methods 2 to 5 (factor = method - 1)
void explode(UnzipState *s);              // method 6

// Builds a deflate decoding table (inflate_tables.cpp).
int build_huffman_table(const uint8_t *lengths, unsigned n, unsigned s, const uint16_t *base,
                        const uint8_t *extra, HuffCode *table, unsigned capacity, unsigned *width);

#endif
