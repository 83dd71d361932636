// pexlin.dll as the plug-in uses it: loaded by name, check_and_process_arc found by name,
// every record and data block released with VirtualFree.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <string>

#include "pexlin.h"
#include "testdata_file.h"
#include "zip_writer.h"

#if UINTPTR_MAX == 0xFFFFFFFF
static_assert(sizeof(ExtractedMember) == 1052, "ExtractedMember crosses the DLL boundary");
#endif

namespace
{

typedef ExtractedMember *(__stdcall *ArcFunction)(const uint8_t *, uint32_t, ExtractedMember *,
                                                  const char *);

struct Library {
    HMODULE dll = LoadLibraryA("pexlin.dll");
    ArcFunction arc =
        dll ? (ArcFunction)(void *)GetProcAddress(dll, "check_and_process_arc") : nullptr;
    ~Library()
    {
        if (dll)
            FreeLibrary(dll);
    }
};

void release(ExtractedMember *r)
{
    while (r) {
        ExtractedMember *next = r->next;
        if (r->data) {
            EXPECT_TRUE(VirtualFree(r->data, 0, MEM_RELEASE));
        }
        EXPECT_TRUE(VirtualFree(r, 0, MEM_RELEASE));
        r = next;
    }
}

} // namespace

TEST(PexlinDll, ChainOfTwoModulesAppendedToTheCallersChain)
{
    Library lib;
    ASSERT_NE(nullptr, lib.arc);
    Bytes a = noise(5000, 2), b = ramp8(7000, 5, 3);
    Bytes zip = zip_write({{"music/one.mod", a, 8}, {"two.xm", b, 0}});
    ExtractedMember mine = {};
    ExtractedMember *first = lib.arc(zip.data(), (uint32_t)zip.size(), &mine, nullptr);
    ASSERT_NE(nullptr, first);
    ExtractedMember *linked = mine.next;
    EXPECT_EQ(first, linked);
    EXPECT_STREQ("one.mod", first->name);
    ASSERT_EQ(a.size(), first->size);
    EXPECT_EQ(0, memcmp(a.data(), first->data, a.size()));
    ASSERT_NE(nullptr, first->next);
    EXPECT_STREQ("two.xm", first->next->name);
    ASSERT_EQ(b.size(), first->next->size);
    EXPECT_EQ(0, memcmp(b.data(), first->next->data, b.size()));
    EXPECT_EQ(nullptr, first->next->next);
    release(first);

    ExtractedMember *wanted = lib.arc(zip.data(), (uint32_t)zip.size(), nullptr, "two.xm");
    ASSERT_NE(nullptr, wanted);
    EXPECT_EQ(nullptr, wanted->next);
    release(wanted);
    EXPECT_EQ(nullptr, lib.arc(a.data(), (uint32_t)a.size(), nullptr, nullptr));
}

TEST(PexlinDll, SharedArchivesExtractAndRelease)
{
    Library lib;
    ASSERT_NE(nullptr, lib.arc);
    struct Expect {
        const char *archive;
        const char *member; // wanted name
        const char *expected;
        uint32_t size;
    } cases[] = {
        {"m0_stored", "random.bin", "m0_stored/random.bin", 1024},
        {"m8_deflate", "text.txt", "m8_deflate/text.txt", 49152},
        {"iz_deflate_streamed", "tune.mod", "iz_deflate_streamed/tune.mod", 12000},
        {"mixed_extensions", "piece.it", "mixed_extensions/piece.it", 4500},
        {"names_paths", "TUNE.S3M", "names_paths/dos%5Cpath%5CTUNE.S3M", 300},
        {"m1_shrink_binary", "repeats100k.bin", "m1_shrink_binary/repeats100k.bin", 102400},
        {"m2_reduce1", "repeats.bin", "m2_reduce1/repeats.bin", 24576},
        {"m5_reduce4", "dle.bin", "m5_reduce4/dle.bin", 2048},
        {"m6_implode_8k_lit", "repeats.bin", "m6_implode_8k_lit/repeats.bin", 24576},
        {"m6_implode_4k_nolit", "zeros.bin", "m6_implode_4k_nolit/zeros.bin", 10000},
        {"mixed_extensions", "music.umx", "mixed_extensions/music.umx", 3500},
    };
    for (const Expect &e : cases) {
        Bytes zip, expected;
        ASSERT_NO_FATAL_FAILURE(read_testdata(std::string(e.archive) + ".zip", &zip));
        ASSERT_NO_FATAL_FAILURE(read_testdata(std::string("expected/") + e.expected, &expected));
        ASSERT_EQ(e.size, expected.size()) << e.expected;
        // The whole archive, then the one member by name.
        release(lib.arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr));
        ExtractedMember *r = lib.arc(zip.data(), (uint32_t)zip.size(), nullptr, e.member);
        if (strstr(e.member, ".txt")) {
            // A text member alone is no module: nothing comes back.
            EXPECT_EQ(nullptr, r);
            continue;
        }
        ASSERT_NE(nullptr, r) << e.archive;
        ASSERT_EQ(e.size, r->size);
        EXPECT_EQ(0, memcmp(expected.data(), r->data, e.size)) << e.archive;
        release(r);
    }
}

TEST(PexlinDll, FixturesAndTheirTruncations)
{
    Library lib;
    ASSERT_NE(nullptr, lib.arc);
    for (const Fixture &f : zip_fixtures()) {
        release(lib.arc(f.bytes.data(), (uint32_t)f.bytes.size(), nullptr, nullptr));
        for (size_t len = 0; len < f.bytes.size(); len += 1 + len / 50)
            release(lib.arc(f.bytes.data(), (uint32_t)len, nullptr, nullptr));
    }
}
