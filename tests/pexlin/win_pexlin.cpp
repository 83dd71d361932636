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
    // Archive and member: the whole archive, then the one member by name; a text member
    // alone is no module: nothing comes back.
    for (std::string path :
         {"m0_stored/random.bin", "m8_deflate/text.txt", "iz_deflate_streamed/tune.mod",
          "mixed_extensions/piece.it", "mixed_extensions/music.umx",
          "m1_shrink_binary/repeats100k.bin", "m2_reduce1/repeats.bin", "m5_reduce4/dle.bin",
          "m6_implode_8k_lit/repeats.bin", "m6_implode_4k_nolit/zeros.bin"}) {
        std::string archive = path.substr(0, path.find('/')),
                    member = path.substr(archive.size() + 1);
        Bytes zip, expected;
        ASSERT_NO_FATAL_FAILURE(read_testdata(archive + ".zip", &zip));
        ASSERT_NO_FATAL_FAILURE(read_testdata("expected/" + path, &expected));
        take(lib.arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr));
        Contents one = take(lib.arc(zip.data(), (uint32_t)zip.size(), nullptr, member.c_str()));
        EXPECT_EQ(member == "text.txt" ? Contents() : Contents({{member, expected}}), one) << path;
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
