// pexlin.dll as the plug-in uses it: loaded by name, check_and_process_arc found by name,
// every record and data block released with VirtualFree (take, in pexlin_common.h).
#include <gtest/gtest.h>
#include <windows.h>

#include "pexlin_common.h"
#include "zip_writer.h"

#if UINTPTR_MAX == 0xFFFFFFFF
static_assert(sizeof(ExtractedMember) == 1052, "ExtractedMember crosses the DLL boundary");
#endif

namespace
{

typedef ExtractedMember *(__stdcall *ArcFunction)(const uint8_t *, uint32_t, ExtractedMember *,
                                                  const char *);

// The entry point of the DLL beside the test program, loaded once for the whole run.
ArcFunction load_arc()
{
    static HMODULE dll = LoadLibraryA("pexlin.dll");
    return dll ? (ArcFunction)(void *)GetProcAddress(dll, "check_and_process_arc") : nullptr;
}

} // namespace

TEST(PexlinDll, SharedArchivesExtractAndRelease)
{
    ArcFunction arc = load_arc();
    ASSERT_NE(nullptr, arc);
    // Archive and member: the whole archive behind the caller's record, then the one member
    // by name (a text member alone is no module: nothing comes back), then the member's
    // bytes, which are no archive.
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
        ExtractedMember mine = {};
        ExtractedMember *first = arc(zip.data(), (uint32_t)zip.size(), &mine, nullptr);
        ExtractedMember *linked = mine.next;
        EXPECT_TRUE(first && first == linked) << path;
        take(first);
        Contents one = take(arc(zip.data(), (uint32_t)zip.size(), nullptr, member.c_str()));
        EXPECT_EQ(member == "text.txt" ? Contents() : Contents({{member, expected}}), one) << path;
        EXPECT_EQ(nullptr, arc(expected.data(), (uint32_t)expected.size(), nullptr, nullptr));
    }
}

TEST(PexlinDll, FixturesAndTheirTruncations)
{
    ArcFunction arc = load_arc();
    ASSERT_NE(nullptr, arc);
    for (const Fixture &f : zip_fixtures()) {
        EXPECT_FALSE(take(arc(f.bytes.data(), (uint32_t)f.bytes.size(), nullptr, nullptr)).empty());
        for (size_t len = 0; len < f.bytes.size(); len += 1 + len / 50)
            take(arc(f.bytes.data(), (uint32_t)len, nullptr, nullptr));
    }
}
