// The RIFF WAVE image of one catalog entry: fmt, data (+pad), smpl with 0, 1 or 2
// loop records, LIST/INFO with the name and the program's mark, and an xtra trailer.
// Portable: the grabber and virn-grab both write samples through it.
#ifndef GRABBER_WAV_IMAGE_H
#define GRABBER_WAV_IMAGE_H

#include "virn.h"

#include <stdint.h>

// The image is never more than this many bytes longer than the PCM.
enum { WAV_IMAGE_OVERHEAD = 300 };

// Size of the image for an entry: byteLength + pad + 186 + 24 per loop record.
uint32_t wav_image_size(const CatalogEntry *entry);

// Fills `buffer` (at least byteLength + WAV_IMAGE_OVERHEAD bytes) with the image of
// `entry`, row `index` of `module`, whose PCM comes from VIRN_GetSample. The header
// values (rate, loops, name) come from `entry`, so a caller's edited copy of the
// catalog reaches the file. Returns the image's size in bytes.
uint32_t build_wav_image(const CatalogEntry *entry, unsigned int index, uint8_t *buffer,
                         ModuleHandle module);

// The same around PCM the caller already has (byteLength bytes).
uint32_t wav_image_from_pcm(const CatalogEntry *entry, const uint8_t *pcm, uint8_t *buffer);

#endif
