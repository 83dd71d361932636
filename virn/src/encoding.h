// The `encoding` byte of a catalog entry: how a sample's stored data is laid out and
// which decoder turns it into PCM. The plain PCM codes are built from four bits; the
// rest are kinds of their own that only some loaders store.
#ifndef VIRN_ENCODING_H
#define VIRN_ENCODING_H

#include "virn.h"

#include <stdint.h>

enum SampleEncoding : uint8_t {
    // Plain PCM: a kind (signed, unsigned or deltas) plus the two layout bits.
    ENC_SIGNED = 0,
    ENC_UNSIGNED = 1,
    ENC_DELTA = 2,
    ENC_16BIT = VIRN_ENC_16BIT,   // 4
    ENC_STEREO = VIRN_ENC_STEREO, // 8: all left values, then all right values

    ENC_ADPCM4 = 3,        // 16 step bytes, then two 4-bit step indexes a byte
    ENC_BIG_ENDIAN16 = 7,  // 16-bit signed, big-endian
    ENC_IT8 = 16,          // IT block-compressed, 8-bit
    ENC_IT8_SECOND = 18,   // ... with second-order deltas
    ENC_IT16 = 20,         // IT block-compressed, 16-bit
    ENC_IT16_SECOND = 22,  // ... with second-order deltas
    ENC_BYTE_DELTA16 = 37, // 16-bit values stored as byte-wise 8-bit deltas
    ENC_NO_DECODER = 255,  // listed, handed out as stored, not counted as a sample
};

// A plain PCM code: `kind` is ENC_SIGNED, ENC_UNSIGNED or ENC_DELTA.
inline uint8_t pcm_encoding(uint8_t kind, bool wide, bool stereo)
{
    return (uint8_t)(kind | (wide ? ENC_16BIT : 0) | (stereo ? ENC_STEREO : 0));
}

#endif
