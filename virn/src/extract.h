// Decoding a catalog entry to WAV-ready PCM.
#ifndef VIRN_EXTRACT_H
#define VIRN_EXTRACT_H

#include "module.h"

// Writes the entry's byteLength bytes of PCM into out: 8-bit unsigned or 16-bit signed
// little-endian, two channels interleaved left first. Stored data is read only up to
// the end of the module copy; what is missing comes out as silence.
void extract_sample(const LoadedModule *m, const CatalogEntry *entry, uint8_t *out);

// Decodes the stored bytes `src` (of which `available` may be read) into signed PCM
// in out, which holds byteLength zero bytes. Exposed for tests and benchmarks.
void decode_sample(const CatalogEntry *entry, const uint8_t *src, uint32_t available, uint8_t *out);

#endif
