// VIRN.dll as a caller sees it: loaded by name, its nine exports found by their
// undecorated names, and every fixture giving the same catalog and PCM as the
// statically linked library and as the native build.
#include "fixtures.h"
#include "summary.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

template <typename F> static void bind(HMODULE dll, const char *name, F &slot)
{
    slot = (F)(void *)GetProcAddress(dll, name);
    ASSERT_NE((void *)slot, nullptr) << name;
}

class VirnDll : public testing::Test
{
  protected:
    HMODULE dll = nullptr;
    VirnApi api = {};
    void SetUp() override
    {
        dll = LoadLibraryA("VIRN.dll");
        ASSERT_NE(dll, nullptr);
        bind(dll, "VIRN_LoadModule", api.loadModule);
        bind(dll, "VIRN_FreeModule", api.freeModule);
        bind(dll, "VIRN_GetNumberOfSamples", api.numberOfSamples);
        bind(dll, "VIRN_GetSample", api.getSample);
        bind(dll, "VIRN_GetSampleAsIs", api.getSampleAsIs);
        bind(dll, "VIRN_GetSampleInfo", api.getSampleInfo);
        bind(dll, "VIRN_GetSongName", api.songName);
        bind(dll, "ScGetCatalog", api.catalog);
        bind(dll, "GetModType", api.modType);
    }
    void TearDown() override
    {
        if (dll)
            FreeLibrary(dll);
    }
};

#if UINTPTR_MAX == 0xFFFFFFFF
// Win32 callers read a sample's stored bytes through the address in its data field.
TEST_F(VirnDll, DataFieldsAreAddressesOnWin32)
{
    Fixture f = all_module_fixtures()[0];
    ModuleHandle h = api.loadModule(f.bytes.data(), (uint32_t)f.bytes.size());
    ASSERT_NE(h, 0u);
    const CatalogEntry &e = api.catalog(h)[0];
    std::vector<uint8_t> raw(e.length);
    api.getSampleAsIs(h, 0, raw.data());
    EXPECT_EQ(memcmp((const void *)(uintptr_t)e.data, raw.data(), raw.size()), 0);
    EXPECT_NE(api.freeModule(h), 0);
}
#endif

TEST_F(VirnDll, SameResultsAsTheLinkedAndNativeLibraries)
{
    // Written by the native test run, which must come first (the Makefile sees to it).
    std::vector<std::string> native;
    if (const char *path = getenv("VIRN_NATIVE_REFERENCE")) {
        FILE *f = fopen(path, "rb");
        ASSERT_NE(f, nullptr) << "missing native reference " << path
                              << " (written by the native virn_tests)";
        char line[1 << 16];
        while (fgets(line, sizeof line, f)) {
            line[strcspn(line, "\r\n")] = 0;
            native.push_back(line);
        }
        fclose(f);
        ASSERT_FALSE(native.empty()) << "empty native reference " << path;
    }
    VirnApi linked = linked_api();
    std::vector<Fixture> all = all_module_fixtures();
    if (!native.empty()) {
        EXPECT_EQ(native.size(), all.size()) << "the native reference is from other fixtures";
    }
    for (size_t i = 0; i < all.size(); i++) {
        const Fixture &f = all[i];
        std::string fromDll = module_summary(api, f.name, f.bytes.data(), (uint32_t)f.bytes.size());
        EXPECT_EQ(fromDll,
                  module_summary(linked, f.name, f.bytes.data(), (uint32_t)f.bytes.size()));
        if (i < native.size()) {
            EXPECT_EQ(fromDll, native[i]) << "differs from the native build";
        }
    }
    if (native.empty())
        printf("note: no native reference (VIRN_NATIVE_REFERENCE); compared with the linked "
               "library only\n");
}
