#include "summary.h"

#include "loaded_module.h"
#include "zip_writer.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <vector>

VirnApi linked_api()
{
    VirnApi api = {VIRN_LoadModule,  VIRN_FreeModule,    VIRN_GetNumberOfSamples,
                   VIRN_GetSample,   VIRN_GetSampleAsIs, VIRN_GetSampleInfo,
                   VIRN_GetSongName, ScGetCatalog,       GetModType};
    return api;
}

std::string module_summary(const VirnApi &api, const std::string &name, const uint8_t *bytes,
                           uint32_t size)
{
    ModuleHandle h = api.loadModule(bytes, size);
    if (!h)
        return name + "|refused";
    char text[512];
    uint16_t count = api.numberOfSamples(h, 0);
    snprintf(text, sizeof text, "|%u|%s|%u|%u", (unsigned)api.modType(h), api.songName(h), count,
             api.numberOfSamples(h, 1));
    std::string s = name + text;
    const CatalogEntry *catalog = api.catalog(h);
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        std::vector<uint8_t> pcm(e.info.byteLength), raw(e.length);
        api.getSample(h, i, pcm.data());
        api.getSampleAsIs(h, i, raw.data());
        snprintf(text, sizeof text, " %08x %08x%s", zip_crc32(pcm), zip_crc32(raw),
                 api.getSampleInfo(h, i) == &e.info ? "" : " info?");
        s += "|" + entry_row(i, e) + text;
    }
    api.freeModule(h);
    return s;
}

#if !defined(_WIN32)
// Writes the native summaries for the Windows-side test to compare against.
TEST(Reference, WriteNativeSummaries)
{
    FILE *f = fopen("virn_reference.txt", "wb");
    ASSERT_NE(f, nullptr);
    VirnApi api = linked_api();
    for (const Fixture &fx : all_module_fixtures())
        fprintf(f, "%s\n",
                module_summary(api, fx.name, fx.bytes.data(), (uint32_t)fx.bytes.size()).c_str());
    fclose(f);
}
#endif
