// Decoders for block-compressed IT samples (the 2.14 scheme and its 2.15 variant with
// second-order deltas). Both write signed PCM and never read past `available` bytes
// of the stream, whatever the data says.
#ifndef VIRN_IT_DECODE_H
#define VIRN_IT_DECODE_H

#include <stdint.h>

// `count` values into out (8-bit signed bytes). `bound` is the stream bound in bytes
// (the entry's decoded size: the catalog keeps no compressed size); decoding stops
// once more than the larger of it and the most a well-formed stream of `count` values
// can take has been read, so that a badly compressible sample still decodes whole.
// `available` is what the module copy holds from `stream` on. Positions not decoded
// stay untouched.
void it_decode8(uint8_t *out, uint32_t count, const uint8_t *stream, uint32_t bound,
                uint32_t available, bool secondOrder);
// The same for 16-bit values, written little-endian.
void it_decode16(uint8_t *out, uint32_t count, const uint8_t *stream, uint32_t bound,
                 uint32_t available, bool secondOrder);

#endif
