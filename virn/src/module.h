// The module object behind a ModuleHandle, and the toolkit every format loader uses.
//
// Loader contract: a loader returns at once when `recognised` is set; it tests its
// signature in the view (fileCopy, fileLength) and returns untouched when it does not
// match; otherwise it copies the song title, stores one entry per sample slot through
// finish_entry and store_entry, sets moduleType, and finally sets `recognised`.
#ifndef VIRN_MODULE_H
#define VIRN_MODULE_H

#include "byte_view.h"
#include "virn.h"

#include <stdint.h>

enum { CATALOG_CAPACITY = 4000 };

#pragma pack(push, 1)
struct LoadedModule {
    CatalogEntry *catalog;   // 4000 slots while the loaders run, then entryCount
    uint16_t entryCount;     // stored slots, empty ones included
    uint16_t sampleCount;    // stored slots whose length is not 0
    const uint8_t *fileCopy; // the loaders' view of the copy (a wrapper may narrow it)
    uint32_t fileLength;
    char songName[50];
    uint8_t recognised;
    uint32_t moduleType;
    // The whole private copy, whatever view a loader narrowed it to: sample data is
    // clipped to it and it is released whole.
    uint8_t *copyBase;
    uint32_t copyLength;
};
#pragma pack(pop)

// The loaders' view as a bounds-checked reader.
inline ByteView module_view(const LoadedModule *m)
{
    return ByteView{m->fileCopy, m->fileLength};
}

// Loader toolkit.
void finish_entry(CatalogEntry *entry, int shift);
void store_entry(LoadedModule *m, const CatalogEntry *entry, uint32_t slot);
// Puts a stored entry inside the limits every caller relies on: byteLength at most
// VIRN_MAX_BYTE_LENGTH (so a caller's byteLength + 300 cannot wrap), playing loops
// inside byteLength, the rate from VIRN_MIN_RATE to VIRN_MAX_RATE (rate x block size
// fits 32 bits). The load applies it to every entry once the loaders are done.
void bound_entry(CatalogEntry *entry);
uint16_t swap16(uint16_t v);
uint32_t swap32(uint32_t v);
uint32_t note_rate(uint32_t note, uint32_t finetune);

// Copies at most `max` characters of a name field, stopping at a zero byte, into a
// zero-filled destination that has room for max + 1 bytes. Bytes outside the view read 0.
void copy_name(char *dst, const ByteView &v, uint64_t offset, uint32_t max);
// Song title: at most min(max, 44) characters, so songName always ends with a zero.
void copy_song_name(LoadedModule *m, uint64_t offset, uint32_t max);
// Points an entry at stored data that starts `viewOffset` bytes into the view.
// Data that starts at or past the end of the copy gets no data at all.
void set_entry_data(const LoadedModule *m, CatalogEntry *entry, uint64_t viewOffset);

// Where an entry's stored data lies, and how many bytes of the copy follow it there.
struct StoredData {
    const uint8_t *bytes; // null when the entry has no data
    uint32_t available;   // bytes from `bytes` to the end of the copy
};
StoredData entry_stored_data(const LoadedModule *m, const CatalogEntry *entry);

// The eleven loaders, in the order the load offers them a file.
void load_xm(LoadedModule *m);
void load_it(LoadedModule *m);
void load_s3m(LoadedModule *m);
void load_stm(LoadedModule *m);
void load_ult(LoadedModule *m);
void load_ptm(LoadedModule *m);
void load_psm(LoadedModule *m);
void load_umx(LoadedModule *m);
void load_dbm(LoadedModule *m);
void load_mtm(LoadedModule *m);
void load_mod(LoadedModule *m);

// Runs the whole load on a fresh object; false when no loader set a module type
// (everything allocated has been released again).
bool load_module(LoadedModule *m, const void *file, uint32_t length);
void release_module(LoadedModule *m);

#endif
