// The module object behind a ModuleHandle: the private copy, the loaders' view of it
// and the catalog.
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
    uint16_t sampleCount;    // stored slots with a length and a decoder
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

// Where an entry's stored data lies, and how many bytes of the copy follow it there.
struct StoredData {
    const uint8_t *bytes; // null when the entry has no data
    uint32_t available;   // bytes from `bytes` to the end of the copy
};
StoredData entry_stored_data(const LoadedModule *m, const CatalogEntry *entry);

// Runs the whole load on a fresh object; false when no loader set a module type
// (everything allocated has been released again).
bool load_module(LoadedModule *m, const void *file, uint32_t length);
void release_module(LoadedModule *m);

#endif
