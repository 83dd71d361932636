// Loads any bytes as a module and extracts every entry, as stored and decoded.
#include "virn.h"

#include <stddef.h>
#include <stdint.h>
#include <vector>

// What every caller relies on, whatever the file says: a length only with data,
// byteLength that leaves room for headers, playing loops inside the PCM, bounded rates.
static void check_limits(const CatalogEntry &e)
{
    bool loops = e.loopType == VIRN_LOOP_FORWARD || e.loopType == VIRN_LOOP_PINGPONG;
    bool sustains = e.sustainType == VIRN_LOOP_FORWARD || e.sustainType == VIRN_LOOP_PINGPONG;
    if ((e.length && !e.data) || e.info.byteLength > VIRN_MAX_BYTE_LENGTH ||
        (loops && e.info.loopEnd > e.info.byteLength) ||
        (sustains && e.info.sustainEnd > e.info.byteLength) || e.rate < VIRN_MIN_RATE ||
        e.rate > VIRN_MAX_RATE)
        __builtin_trap();
}

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
        check_limits(e);
        size_t need = e.info.byteLength > e.length ? e.info.byteLength : e.length;
        buffer.assign(need, 0);
        VIRN_GetSample(h, i, buffer.data());
        VIRN_GetSampleAsIs(h, i, buffer.data());
    }
    VIRN_FreeModule(h);
    return 0;
}
