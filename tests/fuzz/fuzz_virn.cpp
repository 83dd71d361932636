// Loads any bytes as a module, holds every entry to the limits callers rely on and
// extracts it, as stored and decoded.
#include "../virn/entry_limits.h"

#include <stddef.h>
#include <stdint.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ModuleHandle h = VIRN_LoadModule(data, (uint32_t)size);
    if (!h)
        return 0;
    const CatalogEntry *catalog = ScGetCatalog(h);
    uint16_t count = VIRN_GetNumberOfSamples(h, 0);
    std::vector<uint8_t> buffer;
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        if (!within_limits(e))
            __builtin_trap();
        size_t need = e.info.byteLength > e.length ? e.info.byteLength : e.length;
        buffer.assign(need, 0);
        VIRN_GetSample(h, i, buffer.data());
        VIRN_GetSampleAsIs(h, i, buffer.data());
    }
    VIRN_FreeModule(h);
    return 0;
}
