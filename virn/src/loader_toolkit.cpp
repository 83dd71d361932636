// The small helpers every loader shares: entry finishing and storing, bounds on what
// the file holds, name copying, the pointer (or offset) to a sample's stored data and
// the chunk walk.
#include "loader_toolkit.h"

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

// Slots beyond the table are dropped so that a module claiming more samples than the
// catalog holds cannot write past it.
CatalogEntry *add_entry(LoadedModule *m, CatalogEntry *entry, int shift)
{
    uint32_t slot = m->entryCount++;
    if (entry->length && entry->encoding != ENC_NO_DECODER)
        m->sampleCount++;
    finish_entry(entry, shift);
    if (slot >= CATALOG_CAPACITY)
        return nullptr;
    CatalogEntry *stored = &m->catalog[slot];
    if (stored != entry)
        memcpy(stored, entry, sizeof(CatalogEntry));
    return stored;
}

uint32_t records_that_fit(const ByteView &v, uint64_t offset, uint32_t count, uint32_t recordSize)
{
    if (!fits(v, offset, 0))
        return 0;
    uint64_t room = (v.size - offset) / recordSize;
    return room < count ? (uint32_t)room : count;
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

bool next_chunk(ChunkWalk *walk, Chunk *chunk)
{
    const ByteView &v = walk->view;
    if (walk->next + walk->headRoom >= v.size)
        return false;
    chunk->head = walk->next;
    chunk->body = walk->next + 8;
    chunk->size = walk->bigEndian ? rd32be(v, walk->next + 4) : rd32le(v, walk->next + 4);
    walk->next = chunk->body + chunk->size;
    return true;
}
