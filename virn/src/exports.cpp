// The nine exported functions. A handle is the module object's address XOR a fixed
// key; it carries no check value, so a handle never returned by VIRN_LoadModule is
// outside the contract. Indexes count only with their low 16 bits.
#include "extract.h"
#include "module.h"

#include <stdlib.h>
#include <string.h>

static LoadedModule *module_of(ModuleHandle handle)
{
    return (LoadedModule *)(handle ^ (ModuleHandle)VIRN_HANDLE_KEY);
}

static CatalogEntry *entry_of(ModuleHandle handle, unsigned int index)
{
    return &module_of(handle)->catalog[index & 0xFFFF];
}

extern "C" {

ModuleHandle VIRN_CALL VIRN_LoadModule(const void *file, uint32_t length)
{
    LoadedModule *m = (LoadedModule *)calloc(1, sizeof(LoadedModule));
    if (!m)
        return 0;
    if (!load_module(m, file, length)) {
        free(m);
        return 0;
    }
    return (ModuleHandle)m ^ (ModuleHandle)VIRN_HANDLE_KEY;
}

int VIRN_CALL VIRN_FreeModule(ModuleHandle module)
{
    LoadedModule *m = module_of(module);
    if (!m)
        return 0;
    release_module(m);
    free(m);
    return 1;
}

uint16_t VIRN_CALL VIRN_GetNumberOfSamples(ModuleHandle module, int nonEmpty)
{
    LoadedModule *m = module_of(module);
    return nonEmpty ? m->sampleCount : m->entryCount;
}

int VIRN_CALL VIRN_GetSample(ModuleHandle module, unsigned int index, void *out)
{
    const CatalogEntry *entry = entry_of(module, index);
    if (entry->info.byteLength == 0)
        return 0;
    extract_sample(module_of(module), entry, (uint8_t *)out);
    return 1;
}

void *VIRN_CALL VIRN_GetSampleAsIs(ModuleHandle module, unsigned int index, void *out)
{
    const LoadedModule *m = module_of(module);
    const CatalogEntry *entry = entry_of(module, index);
    StoredData stored = entry_stored_data(m, entry);
    uint32_t copied = entry->length < stored.available ? entry->length : stored.available;
    if (copied)
        memcpy(out, stored.bytes, copied);
    // Stored bytes past the end of the copy do not exist; hand out zeros for them.
    if (entry->length > copied)
        memset((uint8_t *)out + copied, 0, entry->length - copied);
    return out;
}

SampleInfo *VIRN_CALL VIRN_GetSampleInfo(ModuleHandle module, unsigned int index)
{
    return &entry_of(module, index)->info;
}

const char *VIRN_CALL VIRN_GetSongName(ModuleHandle module)
{
    return module_of(module)->songName;
}

CatalogEntry *VIRN_CALL ScGetCatalog(ModuleHandle module)
{
    return module_of(module)->catalog;
}

uint32_t VIRN_CALL GetModType(ModuleHandle module)
{
    return module_of(module)->moduleType;
}
}
