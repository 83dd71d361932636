#include "grab_buffer.h"
#include "wav_image.h"

bool grab_buffer_size(const CatalogEntry *entry, uint32_t *size)
{
    uint64_t wav = (uint64_t)entry->info.byteLength + WAV_IMAGE_OVERHEAD;
    uint64_t raw = entry->length;
    uint64_t need = wav > raw ? wav : raw;
    if (need > 0xFFFFFFFFu)
        return false;
    *size = (uint32_t)need;
    return true;
}
