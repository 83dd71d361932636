// pexlin.dll as the plug-in uses it: loaded by name, check_and_process_arc found by name,
// every record and data block released with VirtualFree (take, in pexlin_common.h).
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <string>

#include "pexlin.h"
#include "pexlin_common.h"
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

} // namespace

TEST(PexlinDll, ChainOfTwoModulesAppendedToTheCallersChain)
{
    Library lib;
    ASSERT_NE(nullptr, lib.arc);
    Bytes a = noise(5000, 2), b = ramp8(7000, 5, 3);
    Bytes zip = zip_write({{"music/one.mod", a, 8}, {"two.xm", b, 0}});
    ExtractedMember mine = {};
    ExtractedMember *first = lib.arc(zip.data(), (uint32_t)zip.size(), &mine, nullptr);
    ExtractedMember *linked = mine.next;
    EXPECT_EQ(first, linked);
    EXPECT_EQ(Contents({{"one.mod", a}, {"two.xm", b}}), take(first));
    EXPECT_EQ(Contents({{"two.xm", b}}),
              take(lib.arc(zip.data(), (uint32_t)zip.size(), nullptr, "two.xm")));
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
    } cases[] = {
        {"m0_stored", "random.bin", "m0_stored/random.bin"},
        {"m8_deflate", "text.txt", "m8_deflate/text.txt"},
        {"iz_deflate_streamed", "tune.mod", "iz_deflate_streamed/tune.mod"},
        {"mixed_extensions", "piece.it", "mixed_extensions/piece.it"},
        {"names_paths", "TUNE.S3M", "names_paths/dos%5Cpath%5CTUNE.S3M"},
        {"m1_shrink_binary", "repeats100k.bin", "m1_shrink_binary/repeats100k.bin"},
        {"m2_reduce1", "repeats.bin", "m2_reduce1/repeats.bin"},
        {"m5_reduce4", "dle.bin", "m5_reduce4/dle.bin"},
        {"m6_implode_8k_lit", "repeats.bin", "m6_implode_8k_lit/repeats.bin"},
        {"m6_implode_4k_nolit", "zeros.bin", "m6_implode_4k_nolit/zeros.bin"},
        {"mixed_extensions", "music.umx", "mixed_extensions/music.umx"},
    };
    for (const Expect &e : cases) {
        Bytes zip, expected;
        ASSERT_NO_FATAL_FAILURE(read_testdata(std::string(e.archive) + ".zip", &zip));
        ASSERT_NO_FATAL_FAILURE(read_testdata(std::string("expected/") + e.expected, &expected));
        // The whole archive, then the one member by name; a text member alone is no
        // module: nothing comes back.
        take(lib.arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr));
        Contents one = take(lib.arc(zip.data(), (uint32_t)zip.size(), nullptr, e.member));
        EXPECT_EQ(strstr(e.member, ".txt") ? Contents() : Contents({{e.member, expected}}), one)
            << e.archive;
    }
}

TEST(PexlinDll, FixturesAndTheirTruncations)
{
    Library lib;
    ASSERT_NE(nullptr, lib.arc);
    for (const Fixture &f : zip_fixtures()) {
        take(lib.arc(f.bytes.data(), (uint32_t)f.bytes.size(), nullptr, nullptr));
        for (size_t len = 0; len < f.bytes.size(); len += 1 + len / 50)
            take(lib.arc(f.bytes.data(), (uint32_t)len, nullptr, nullptr));
    }
}
