// The small helpers every loader shares: entry finishing and storing, byte swapping,
// name copying and the pointer (or offset) to a sample's stored data.
#include "module.h"

#include <string.h>

// Derives channels, bits and the byte-scaled info block from encoding and length.
// `shift` is 1 when the loader counts frames, 0 when it gives byte counts already.
void finish_entry(CatalogEntry *entry, int shift)
{
    SampleInfo &info = entry->info;
    entry->channels = 1;
    entry->bits = 8;
    info.byteLength = entry->length;
    if (entry->encoding & VIRN_ENC_STEREO) {
        entry->channels = 2;
        info.byteLength <<= shift;
        info.loopStart <<= shift;
        info.loopEnd <<= shift;
        info.sustainStart <<= shift;
        info.sustainEnd <<= shift;
    }
    if (entry->encoding & VIRN_ENC_16BIT) {
        entry->bits = 16;
        info.byteLength <<= shift;
        info.loopStart <<= shift;
        info.loopEnd <<= shift;
        info.sustainStart <<= shift;
        info.sustainEnd <<= shift;
    }
}

// Only the low 16 bits of the slot count; slots beyond the table are dropped so that
// a module claiming more samples than the catalog holds cannot write past it.
void store_entry(LoadedModule *m, const CatalogEntry *entry, uint32_t slot)
{
    slot &= 0xFFFF;
    if (slot >= CATALOG_CAPACITY)
        return;
    memcpy(&m->catalog[slot], entry, sizeof(CatalogEntry));
}

uint16_t swap16(uint16_t v)
{
    return (uint16_t)((v >> 8) | (v << 8));
}

uint32_t swap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
}

void copy_name(char *dst, const ByteView &v, uint64_t offset, uint32_t max)
{
    for (uint32_t i = 0; i < max; i++) {
        uint8_t c = rd8(v, offset + i);
        if (c == 0)
            break;
        dst[i] = (char)c;
    }
}

void copy_song_name(LoadedModule *m, uint64_t offset, uint32_t max)
{
    copy_name(m->songName, module_view(m), offset, max < 44 ? max : 44);
}

// Win32 keeps the address of the data, as callers of the DLL expect; wider builds keep
// the offset from the start of the copy. Either way 0 means "no data", which is safe
// because every format has a header in front of its sample data.
void set_entry_data(const LoadedModule *m, CatalogEntry *entry, uint64_t viewOffset)
{
    uint64_t offset = (uint64_t)(m->fileCopy - m->copyBase) + viewOffset;
    if (viewOffset >= m->fileLength || offset >= m->copyLength) {
        entry->data = 0;
        return;
    }
#if UINTPTR_MAX == 0xFFFFFFFFu
    entry->data = (uint32_t)(uintptr_t)(m->copyBase + offset);
#else
    entry->data = (uint32_t)offset;
#endif
}

StoredData entry_stored_data(const LoadedModule *m, const CatalogEntry *entry)
{
    StoredData none = {nullptr, 0};
    if (entry->data == 0)
        return none;
#if UINTPTR_MAX == 0xFFFFFFFFu
    uint32_t offset = entry->data - (uint32_t)(uintptr_t)m->copyBase;
#else
    uint32_t offset = entry->data;
#endif
    if (offset >= m->copyLength)
        return none;
    StoredData d = {m->copyBase + offset, m->copyLength - offset};
    return d;
}
