// The UMX wrapper: packages that carry an IT, S3M, XM or MOD module.
#include "loaded_module.h"
#include "minor_writers.h"

#include <gtest/gtest.h>
#include <string.h>

TEST(UmxLoader, EachInnerFormatLoadsFromItsMarkInAPackageOfSoundShape)
{
    // The module starts at the mark (IT, XM) or 44 bytes before it (S3M; a MOD starts
    // 1080 bytes before it: the fixtures), and lists as the bare module does (where its
    // data lies libxmp confirms on the fixtures). A mark past 1279 is not searched for,
    // and nothing else claims the package. Nor is a package taken that is shorter than
    // 2048 bytes, whose export table lies outside its last 512 bytes or within its last
    // 15 bytes, or whose import table lies outside it.
    const uint32_t IT = VIRN_TYPE_IT, XM = VIRN_TYPE_XM, S3M = VIRN_TYPE_S3M;
    struct {
        uint32_t type, at, minLength, exportFromEnd;
        int64_t importAt; // -1: as written
        bool loads;
    } cases[] = {{XM, 64, 2048, 100, -1, true},     {XM, 1279, 2048, 100, -1, true},
                 {S3M, 1235, 2048, 100, -1, true},  {IT, 64, 2048, 100, -1, true},
                 {IT, 1280, 2048, 100, -1, false},  {XM, 1300, 2048, 100, -1, false},
                 {S3M, 1236, 2048, 100, -1, false}, {IT, 300, 1500, 100, -1, false},
                 {IT, 300, 2048, 16, -1, true},     {IT, 300, 2048, 15, -1, false},
                 {IT, 300, 2048, 512, -1, true},    {IT, 300, 2048, 513, -1, false},
                 {IT, 300, 2048, 100, 0, true},     {IT, 300, 4000, 100, 3999, true},
                 {IT, 300, 4000, 100, 4000, false}, {IT, 300, 4000, 100, 0xFFFFFFFF, false}};
    for (auto &c : cases) {
        Bytes file = write_umx({umx_inner_module(c.type), c.at, c.minLength, c.exportFromEnd});
        if (c.importAt >= 0)
            poke_le32(file, UMX_IMPORT_TABLE, (uint32_t)c.importAt);
        EXPECT_EQ(LoadedFile(file, true).table(),
                  c.loads ? LoadedFile(umx_inner_module(c.type)).table() : "refused")
            << "module at " << c.at << ", " << c.minLength << " " << c.exportFromEnd << " "
            << c.importAt;
    }
}

TEST(UmxLoader, LowestPositionWins)
{
    // A package of zeros with the two table offsets set, and modules or bare marks put
    // at chosen offsets.
    Bytes empty(4096, 0);
    poke_le32(empty, UMX_EXPORT_TABLE, 4096 - 100);
    poke_le32(empty, UMX_IMPORT_TABLE, 40);
    auto place = [](Bytes file, std::initializer_list<std::pair<size_t, Bytes>> parts) {
        for (auto &p : parts)
            memcpy(&file[p.first], p.second.data(), p.second.size());
        return file;
    };
    Bytes it = umx_inner_module(VIRN_TYPE_IT), mark = {'M', '.', 'K', '.'};
    struct {
        const char *what;
        Bytes file;
        uint32_t type;
    } cases[] = {
        // "SCRM" at 500 and "IMPM" at 700: the S3M (whose sample name the IMPM bytes land
        // in) is chosen.
        {"S3M before IT",
         place(empty, {{456, umx_inner_module(VIRN_TYPE_S3M)}, {700, text_of("IMPM")}}),
         VIRN_TYPE_S3M},
        // A MOD tag at 1080 itself is not taken: the search goes on to an IT further on.
        {"tag at 1080", place(empty, {{1080, mark}, {1200, it}}), VIRN_TYPE_IT},
        {"tag at 1081", place(empty, {{1081, mark}, {1200, it}}), VIRN_TYPE_MOD},
    };
    for (auto &c : cases)
        EXPECT_EQ(LoadedFile(c.file).type(), c.type) << c.what;
}
