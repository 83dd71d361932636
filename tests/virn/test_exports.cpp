// The exported interface: handles, indexes, pointers into the catalog, ownership.
#include "fixtures.h"
#include "mod_writer.h"
#include "virn.h"

#include <gtest/gtest.h>
#include <string.h>

static Bytes sample_module()
{
    return demo_mod_module();
}

TEST(Exports, HandleIndexesAndPointers)
{
    Bytes file = sample_module();
    ModuleHandle h = VIRN_LoadModule(file.data(), (uint32_t)file.size());
    ASSERT_NE(h, 0u);
    // The caller may release its buffer at once.
    std::fill(file.begin(), file.end(), 0xAA);
    file.clear();
    file.shrink_to_fit();

    const CatalogEntry *catalog = ScGetCatalog(h);
    uint16_t count = VIRN_GetNumberOfSamples(h, 0);
    ASSERT_EQ(count, 31);
    for (unsigned i = 0; i < count; i++) {
        // The info block lies 9 bytes into entry i; the grabber reaches rate and name from it.
        const uint8_t *info = (const uint8_t *)VIRN_GetSampleInfo(h, i);
        EXPECT_EQ(info - 9, (const uint8_t *)&catalog[i]);
        EXPECT_EQ((const uint8_t *)VIRN_GetSampleInfo(h, 0x10000 + i), info);
        uint32_t rate;
        memcpy(&rate, info + 22, 4);
        EXPECT_EQ(rate, catalog[i].rate);
        EXPECT_STREQ((const char *)info + 28, catalog[i].name);
    }
    // Index 0x10000 + n is entry n for extraction too.
    uint32_t n = catalog[0].info.byteLength;
    ASSERT_GT(n, 0u);
    Bytes a(n), b(n);
    EXPECT_NE(VIRN_GetSample(h, 0, a.data()), 0);
    EXPECT_NE(VIRN_GetSample(h, 0x10000, b.data()), 0);
    EXPECT_EQ(a, b);
    Bytes c(catalog[0].length), d(catalog[0].length);
    EXPECT_EQ(VIRN_GetSampleAsIs(h, 0, c.data()), c.data());
    VIRN_GetSampleAsIs(h, 0x10000, d.data());
    EXPECT_EQ(c, d);
    // An empty entry: nothing written, result 0.
    unsigned empty = 3;
    ASSERT_EQ(catalog[empty].info.byteLength, 0u);
    uint8_t guard = 0x5A;
    EXPECT_EQ(VIRN_GetSample(h, empty, &guard), 0);
    EXPECT_EQ(guard, 0x5A);

    EXPECT_STREQ(VIRN_GetSongName(h), "virn demo");
    EXPECT_EQ(GetModType(h), (uint32_t)VIRN_TYPE_MOD);
    EXPECT_NE(VIRN_FreeModule(h), 0);
}

TEST(Exports, NullHandles)
{
    EXPECT_EQ(VIRN_FreeModule(VIRN_HANDLE_KEY), 0); // unscrambles to null
    EXPECT_EQ(VIRN_LoadModule(nullptr, 0), 0u);
    const char junk[] = "not a module at all";
    EXPECT_EQ(VIRN_LoadModule(junk, sizeof junk), 0u);
}

TEST(Exports, ModulesAreIndependentAndReadOnly)
{
    std::vector<Fixture> all = all_module_fixtures();
    std::vector<ModuleHandle> handles;
    for (const Fixture &f : all)
        handles.push_back(VIRN_LoadModule(f.bytes.data(), (uint32_t)f.bytes.size()));
    // Extracting twice gives the same bytes: nothing is cached or changed by a call.
    for (ModuleHandle h : handles) {
        if (!h)
            continue;
        const CatalogEntry *catalog = ScGetCatalog(h);
        for (unsigned i = 0; i < VIRN_GetNumberOfSamples(h, 0); i++) {
            Bytes a(catalog[i].info.byteLength), b(catalog[i].info.byteLength);
            VIRN_GetSample(h, i, a.data());
            VIRN_GetSample(h, i, b.data());
            EXPECT_EQ(a, b);
        }
    }
    for (ModuleHandle h : handles)
        if (h)
            VIRN_FreeModule(h);
}
