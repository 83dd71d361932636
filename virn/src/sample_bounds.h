// Bounds on sample lengths that formats with 32-bit length fields declare. A damaged
// file may claim gigabytes; the catalog's byteLength is what callers allocate, so a
// loader clips every length to what the file can actually hold from the sample's data.
#ifndef VIRN_SAMPLE_BOUNDS_H
#define VIRN_SAMPLE_BOUNDS_H

#include "module.h"

// Bytes of the view from `offset` to its end; 0 when the offset lies outside it.
inline uint32_t view_bytes_from(const LoadedModule *m, uint64_t offset)
{
    return offset < m->fileLength ? (uint32_t)(m->fileLength - offset) : 0;
}

// Frames of plain PCM (`valueBytes` 1 or 2 per value) that can be stored in
// `available` bytes. Two-channel samples keep all left values before all right ones,
// and the right block is found by the frame count: so only the left block has to fit.
// A sample cut inside its right block keeps its length (the missing values come out
// silent) and never has its right channel read from the wrong place. The decoded size
// (frames x channels x valueBytes) stays within 32 bits.
inline uint32_t clip_pcm_frames(uint32_t frames, uint32_t available, uint32_t valueBytes,
                                uint32_t channels)
{
    uint32_t most = available / valueBytes;
    uint32_t representable = 0xFFFFFFFFu / (valueBytes * channels);
    if (most > representable)
        most = representable;
    return frames < most ? frames : most;
}

#endif
