// The UMX wrapper: packages that carry an IT, S3M, XM or MOD module.
#include "it_writer.h"
#include "loaded_module.h"
#include "mod_writer.h"
#include "s3m_writer.h"
#include "umx_writer.h"
#include "xm_writer.h"

#include <gtest/gtest.h>
#include <string.h>

static Bytes small_it()
{
    ItSong song;
    song.name = "packaged IT";
    ItSample s;
    s.name = "it sample";
    s.data = noise(400, 1);
    s.flags = 1 | 0x10;
    s.loopStart = 40;
    s.loopEnd = 400;
    song.samples.push_back(s);
    return write_it(song);
}

static Bytes small_s3m()
{
    S3mSong song;
    song.title = "packaged S3M";
    S3mInstrument ins;
    ins.name = "s3m sample";
    ins.data = noise(300, 2);
    song.instruments.push_back(ins);
    return write_s3m(song);
}

static Bytes small_xm()
{
    XmSong song;
    song.name = "packaged XM";
    XmInstrument ins;
    XmSample s;
    s.name = "xm sample";
    s.type = 0x10;
    s.data = xm_deltas16(sine16(200, 40));
    ins.samples.push_back(s);
    song.instruments.push_back(ins);
    return write_xm(song);
}

static Bytes small_mod()
{
    ModSpec desc;
    desc.title = "packaged MOD";
    desc.samples = {ModSampleSpec{"mod sample", noise(256, 3)}};
    return write_mod(desc);
}

static UmxPackage package(Bytes module, uint32_t at)
{
    UmxPackage p;
    p.module = std::move(module);
    p.moduleAt = at;
    return p;
}

// The packaged module must list exactly as the bare one does: same type, title and
// entries, with every sample's data found inside the package. A module that starts
// inside the package header (a MOD whose tag lies at 1100) has the table offsets in
// its title.
static void expect_same_catalog(const Bytes &bare, const Bytes &packaged, bool sameTitle)
{
    LoadedFile a(bare), b(packaged);
    ASSERT_TRUE(a.h);
    ASSERT_TRUE(b.h);
    EXPECT_EQ(GetModType(b.h), GetModType(a.h));
    if (sameTitle) {
        EXPECT_STREQ(VIRN_GetSongName(b.h), VIRN_GetSongName(a.h));
    }
    ASSERT_EQ(b.count(), a.count());
    for (unsigned i = 0; i < a.count(); i++) {
        EntryView x = a.entry(i), y = b.entry(i);
        EXPECT_EQ(y.length, x.length);
        EXPECT_EQ(y.encoding, x.encoding);
        EXPECT_EQ(y.info.byteLength, x.info.byteLength);
        EXPECT_EQ(y.info.loopStart, x.info.loopStart);
        EXPECT_EQ(y.info.loopEnd, x.info.loopEnd);
        EXPECT_EQ(y.rate, x.rate);
        EXPECT_STREQ(y.name, x.name);
        EXPECT_EQ(b.stored(i), a.stored(i));
        EXPECT_EQ(b.pcm(i), a.pcm(i));
    }
}

TEST(UmxLoader, EachInnerFormatLoadsFromItsMark)
{
    // The module starts at the mark (IT, XM), 44 bytes before it (S3M) or 1080 bytes
    // before it (MOD).
    struct {
        Bytes (*make)();
        uint32_t at;
        uint32_t type;
    } cases[] = {{small_it, 300, VIRN_TYPE_IT},
                 {small_s3m, 356, VIRN_TYPE_S3M}, // "SCRM" at 400
                 {small_xm, 64, VIRN_TYPE_XM},
                 {small_xm, 1279, VIRN_TYPE_XM}, // the last position searched
                 {small_mod, 20, VIRN_TYPE_MOD}, // "M.K." at 1100
                 {small_it, 64, VIRN_TYPE_IT}};
    for (auto &c : cases) {
        Bytes bare = c.make();
        Bytes file = write_umx(package(bare, c.at));
        SCOPED_TRACE(testing::Message() << "module at " << c.at);
        expect_same_catalog(bare, file, c.at >= 36);
        LoadedFile m(file);
        EXPECT_EQ(GetModType(m.h), c.type);
    }
}

TEST(UmxLoader, MarksOutsideTheWindowAreNotSearched)
{
    // A module whose mark lies past 1279 (or whose MOD tag lies at 1080 or before) is
    // not found; nothing else claims the package.
    struct {
        Bytes (*make)();
        uint32_t at;
    } cases[] = {{small_it, 1280}, {small_xm, 1300}, {small_s3m, 1236}};
    for (auto &c : cases) {
        Bytes file = write_umx(package(c.make(), c.at));
        EXPECT_EQ(VIRN_LoadModule(file.data(), (uint32_t)file.size()), 0u) << c.at;
    }
}

TEST(UmxLoader, PackageShapeChecks)
{
    struct {
        uint32_t minLength;
        uint32_t exportFromEnd;
        int64_t importAt; // -1: as written
        bool loads;
    } cases[] = {
        {2048, 100, -1, true},          {1500, 100, -1, false},  {2048, 16, -1, true},
        {2048, 15, -1, false},          {2048, 512, -1, true},   {2048, 513, -1, false},
        {2048, 100, 0, true},           {4000, 100, 3999, true}, {4000, 100, 4000, false},
        {4000, 100, 0xFFFFFFFF, false},
    };
    for (auto &c : cases) {
        UmxPackage p = package(small_it(), 300);
        p.minLength = c.minLength;
        p.exportFromEnd = c.exportFromEnd;
        Bytes file = write_umx(p);
        if (c.importAt >= 0)
            poke_le32(file, UMX_IMPORT_TABLE, (uint32_t)c.importAt);
        LoadedFile m(file);
        EXPECT_EQ(m.h != 0, c.loads) << c.minLength << " " << c.exportFromEnd << " " << c.importAt;
    }
}

// A package of zeros with the two table offsets set, and modules or bare marks put at
// chosen offsets.
static Bytes empty_package(size_t size)
{
    Bytes file(size, 0);
    poke_le32(file, UMX_EXPORT_TABLE, (uint32_t)size - 100);
    poke_le32(file, UMX_IMPORT_TABLE, 40);
    return file;
}

static void place(Bytes &file, size_t at, const Bytes &what)
{
    memcpy(&file[at], what.data(), what.size());
}

TEST(UmxLoader, LowestPositionWins)
{
    // "SCRM" at 500 and "IMPM" at 700: the S3M (whose instrument name the IMPM bytes
    // land in) is chosen.
    Bytes file = empty_package(4096);
    place(file, 456, small_s3m());
    place(file, 700, Bytes{'I', 'M', 'P', 'M'});
    LoadedFile m(file);
    ASSERT_TRUE(m.h);
    EXPECT_EQ(GetModType(m.h), (uint32_t)VIRN_TYPE_S3M);

    // A MOD tag at 1080 itself is not taken: the search goes on to an IT further on.
    Bytes it = small_it();
    Bytes tagAt1080 = empty_package(4096);
    place(tagAt1080, 1080, Bytes{'M', '.', 'K', '.'});
    place(tagAt1080, 1200, it);
    LoadedFile a(tagAt1080);
    ASSERT_TRUE(a.h);
    EXPECT_EQ(GetModType(a.h), (uint32_t)VIRN_TYPE_IT);
    // ... while one at 1081 is.
    Bytes tagAt1081 = tagAt1080;
    place(tagAt1081, 1080, Bytes{0, 'M', '.', 'K', '.'});
    LoadedFile b(tagAt1081);
    ASSERT_TRUE(b.h);
    EXPECT_EQ(GetModType(b.h), (uint32_t)VIRN_TYPE_MOD);
}

TEST(UmxLoader, PackagedModuleWithoutSamplesIsRefused)
{
    ItSong song;
    song.name = "no samples";
    Bytes file = write_umx(package(write_it(song), 300));
    EXPECT_EQ(VIRN_LoadModule(file.data(), (uint32_t)file.size()), 0u);
}
