// The exported interface: handles, indexes, pointers into the catalog, ownership.
#include "it_writer.h"
#include "mod_writer.h"
#include "virn.h"

#include <gtest/gtest.h>
#include <string.h>

TEST(Exports, HandleIndexesAndPointers)
{
    for (Bytes file : {demo_mod_module(), demo_it_module()}) {
        ModuleHandle h = VIRN_LoadModule(file.data(), (uint32_t)file.size());
        ASSERT_NE(h, 0u);
        // The caller may release its buffer at once.
        std::fill(file.begin(), file.end(), 0xAA);
        file.clear();
        file.shrink_to_fit();
        const CatalogEntry *catalog = ScGetCatalog(h);
        for (unsigned i = 0; i < VIRN_GetNumberOfSamples(h, 0); i++) {
            // The info block lies 9 bytes into entry i; the grabber reaches rate and name
            // from it.
            const uint8_t *info = (const uint8_t *)VIRN_GetSampleInfo(h, i);
            EXPECT_EQ(info - 9, (const uint8_t *)&catalog[i]);
            EXPECT_EQ((const uint8_t *)VIRN_GetSampleInfo(h, 0x10000 + i), info);
            uint32_t rate;
            memcpy(&rate, info + 22, 4);
            EXPECT_EQ(rate, catalog[i].rate);
            EXPECT_STREQ((const char *)info + 28, catalog[i].name);
            // Index 0x10000 + n is entry n for extraction too, which gives the same bytes
            // every time: nothing a call does changes the module.
            uint32_t n = catalog[i].info.byteLength;
            Bytes a(n + 1, 0x5A), b(n + 1, 0x5A), c(catalog[i].length), d(catalog[i].length);
            EXPECT_EQ(VIRN_GetSample(h, i, a.data()) != 0, n != 0); // empty: 0, nothing written
            VIRN_GetSample(h, 0x10000 + i, b.data());
            EXPECT_EQ(a, b);
            EXPECT_EQ(a[n], 0x5A);
            EXPECT_EQ(VIRN_GetSampleAsIs(h, i, c.data()), c.data());
            VIRN_GetSampleAsIs(h, 0x10000 + i, d.data());
            EXPECT_EQ(c, d);
        }
        EXPECT_NE(VIRN_FreeModule(h), 0);
    }
    EXPECT_EQ(VIRN_FreeModule(VIRN_HANDLE_KEY), 0); // unscrambles to null
}
