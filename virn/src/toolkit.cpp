// The small helpers every loader shares: entry finishing and storing, byte swapping,
// name copying and the pointer (or offset) to a sample's stored data.
#include "module.h"

#include <string.h>

static uint32_t saturated_shift(uint32_t v, int shift)
{
    uint64_t wide = (uint64_t)v << shift;
    return wide > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)wide;
}

// Derives channels, bits and the byte-scaled info block from encoding and length.
// `shift` is 1 when the loader counts frames, 0 when it gives byte counts already.
// Values that would not fit 32 bits as bytes saturate instead of wrapping (a huge
// loop point must not come out as a small one); bound_entry then cuts them.
void finish_entry(CatalogEntry *entry, int shift)
{
    SampleInfo &info = entry->info;
    int total = 0;
    entry->channels = 1;
    entry->bits = 8;
    if (entry->encoding & VIRN_ENC_STEREO) {
        entry->channels = 2;
        total += shift;
    }
    if (entry->encoding & VIRN_ENC_16BIT) {
        entry->bits = 16;
        total += shift;
    }
    info.byteLength = saturated_shift(entry->length, total);
    info.loopStart = saturated_shift(info.loopStart, total);
    info.loopEnd = saturated_shift(info.loopEnd, total);
    info.sustainStart = saturated_shift(info.sustainStart, total);
    info.sustainEnd = saturated_shift(info.sustainEnd, total);
}

// The points of a loop that plays (forward or ping-pong) are cut to the sample's bytes,
// so that no caller reads past the PCM by following them. The kind stays as the loader
// decided (some formats keep a flagged loop of 0..0), and the points of "no loop" stay
// as stored.
static void bound_loop(uint8_t kind, uint32_t *start, uint32_t *end, uint32_t byteLength)
{
    if (kind != VIRN_LOOP_FORWARD && kind != VIRN_LOOP_PINGPONG)
        return;
    if (*end > byteLength)
        *end = byteLength;
    if (*start > byteLength)
        *start = byteLength;
}

void bound_entry(CatalogEntry *entry)
{
    SampleInfo &info = entry->info;
    if (info.byteLength > VIRN_MAX_BYTE_LENGTH) {
        int shift = ((entry->encoding & VIRN_ENC_16BIT) ? 1 : 0) +
                    ((entry->encoding & VIRN_ENC_STEREO) ? 1 : 0);
        info.byteLength = VIRN_MAX_BYTE_LENGTH;
        if (entry->length > (VIRN_MAX_BYTE_LENGTH >> shift))
            entry->length = VIRN_MAX_BYTE_LENGTH >> shift;
    }
    bound_loop(entry->loopType, &info.loopStart, &info.loopEnd, info.byteLength);
    bound_loop(entry->sustainType, &info.sustainStart, &info.sustainEnd, info.byteLength);
    if (entry->rate < VIRN_MIN_RATE)
        entry->rate = VIRN_MIN_RATE;
    if (entry->rate > VIRN_MAX_RATE)
        entry->rate = VIRN_MAX_RATE;
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
