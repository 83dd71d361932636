// What hostile headers get. No loader may claim files cut before their marks, broken
// marks, and modules without a single sample, in every format; and counts and offsets
// that the file cannot back give a catalog of only what the file holds, never more than
// its 4000 slots. (Damaged files at large are the sweep's.)
#include "it_writer.h"
#include "loaded_module.h"
#include "minor_writers.h"
#include "mod_writer.h"
#include "s3m_writer.h"
#include "xm_writer.h"

#include <gtest/gtest.h>

static Bytes prefix(const Bytes &b, size_t n)
{
    return Bytes(b.begin(), b.begin() + (long)n);
}

// The file with the little-endian field of `bytes` bytes at `at` set to `value`.
static Bytes poked(Bytes b, size_t at, uint32_t value, int bytes = 4)
{
    for (int i = 0; i < bytes; i++)
        b[at + i] = (uint8_t)(value >> (8 * i));
    return b;
}

// An STM of one sample with the given tracker name and file type.
static Bytes stm_file(const char *tracker, uint8_t fileType)
{
    StmSong song;
    song.tracker = tracker;
    song.fileType = fileType;
    song.instruments = {{"x", ramp8(64)}};
    return write_stm(song);
}

TEST(Loaders, RefuseWhatIsNotAModuleWithSamples)
{
    ModSpec mod;
    mod.samples = {{"a", ramp8(10)}};
    S3mSong s3m;
    s3m.instruments = {{"", {}, 0, 0, 0, S3mInstrument::Empty},
                       {"", {}, 0, 0, 0, S3mInstrument::Adlib}};
    XmSong xm;
    xm.instruments = {XmInstrument(), XmInstrument()};
    ItSong it;
    PsmSong psm;
    psm.samples = {{"s", noise(100, 4)}};
    Bytes psmFile = write_psm(psm);
    DbmSong dbm;
    dbm.instruments = {{"instrument", 1}};
    dbm.chunks = {"INST"};
    DbmSong dbmSong;
    dbmSong.samples = {{1, noise(64, 7)}};
    Bytes dbmFile = write_dbm(dbmSong);
    UmxPackage umx;
    umx.module = write_it(it);
    umx.moduleAt = 300;
    struct {
        const char *what;
        Bytes file;
    } cases[] = {
        {"nothing", Bytes()},
        {"text", text_of("not a module at all")},
        {"zeros", Bytes(5000, 0)},
        {"MOD cut before its tag", prefix(write_mod(mod), 1083)},
        {"S3M without digitised samples", write_s3m(s3m)},
        {"S3M cut before its mark", prefix(write_s3m(s3m), 47)},
        {"XM without samples", write_xm(xm)},
        {"XM mark alone", prefix(write_xm(xm), 15)},
        {"IT without samples", write_it(it)},
        {"STM of file type 1", stm_file("!Scream!", 1)},
        {"STM of another name", stm_file("!scream!", 2)},
        {"STM of another converter", stm_file("BMOD2ST_", 2)},
        {"STM without its mark", poked(stm_file("!Scream!", 2), 28, 0x1B, 1)},
        {"MTM without samples", write_mtm(MtmSong())},
        {"ULT without samples", write_ult(UltSong())},
        {"PSM without samples", write_psm(PsmSong())},
        {"PSM with a broken mark", poked(psmFile, 8, 0x454C4958)},
        // A chunk of 4 GB (as a 64-bit sum) stops the walk without reading past the copy.
        {"PSM chunk beyond the file", poked(psmFile, 16, 0xFFFFFFFF)},
        {"DBM with instruments only", write_dbm(dbm)},
        {"DBM without its mark", poked(dbmFile, 0, 'X', 1)},
        {"DBM without its NAME chunk", poked(dbmFile, 8, 'X', 1)},
        {"DBM with a name of 45 bytes", poked(dbmFile, 15, 45, 1)},
        {"DBM without its INFO chunk", poked(dbmFile, 60, 'X', 1)},
        {"DBM with an INFO of 11 bytes", poked(dbmFile, 67, 11, 1)},
        {"DBM of no songs", poked(dbmFile, 73, 0, 1)},
        {"DBM of no channels", poked(dbmFile, 77, 0, 1)},
        {"DBM without its SONG chunk", poked(dbmFile, 78, 'X', 1)},
        {"UMX around a module without samples", write_umx(umx)},
    };
    for (auto &c : cases)
        EXPECT_EQ(VIRN_LoadModule(c.file.data(), (uint32_t)c.file.size()), 0u) << c.what;
    EXPECT_EQ(VIRN_LoadModule(nullptr, 0), 0u);
    Bytes good = write_mod(mod);
    EXPECT_EQ(VIRN_LoadModule(good.data(), 0), 0u);
    EXPECT_EQ(VIRN_FreeModule(VIRN_HANDLE_KEY), 0); // a handle that unscrambles to null
}

TEST(Bounds, CountsBeyondTheFileOrTheCatalog)
{
    S3mSong s3m;
    s3m.instruments = {{"a", ramp8(100)}, {"b", ramp8(100)}};
    XmSong xm;
    xm.instruments = {{"instrument", -1, {{"a", ramp8(10)}}}};
    ItSong it;
    it.samples = {{"a", ramp8(10)}, {"b", ramp8(10)}};
    MtmSong mtm;
    mtm.samples = {{"a", noise(500, 5)}};
    PtmSong ptm;
    ptm.samples = {{"a", noise(100, 5), 1}, {"b", noise(100, 5), 1}};
    DbmSong dbm;
    dbm.instruments = {{"", 1, 8363, 0, 100, 1}};
    dbm.samples = {{1, noise(300, 8)}, {2, dbm_big_endian(sine16(200, 9))}};
    dbm.chunks = {"INST", "SMPL"};
    ItSong many;
    for (int i = 0; i < 4100; i++)
        many.samples.push_back({std::to_string(i), Bytes{1, 2, 3, 4, 5}});
    UltSong ult;
    for (int i = 0; i < 200; i++)
        ult.samples.push_back({"s", ramp8(8, (uint8_t)i)});
    struct {
        const char *what;
        Bytes file;
        unsigned entries, samples; // entries: at most, where the file's bytes decide
        bool atMost;
    } cases[] = {
        // Parapointers and offsets past the real ones read the file's own bytes; whatever
        // they hit must not be taken for headers beyond the file.
        {"S3M instruments", poked(write_s3m(s3m), 34, 0xFFFF, 2), 0, 2, true},
        {"XM samples", poked(write_xm(xm), 336 + 9 + 256 + 27, 60000, 2), 9, 0, true},
        {"IT samples", poked(write_it(it), 36, 0xFFFF, 2), 0, 2, true},
        {"PTM samples", poked(write_ptm(ptm), 34, 0xFFFF, 2), 0, 2, true},
        // Tracks: the data would lie far past the end.
        {"MTM tracks", poked(write_mtm(mtm), 24, 0xFFFF, 2), 1, 0, false},
        // Every record past the file is an empty slot.
        {"DBM samples", poked(write_dbm(dbm), 70, 0xFFFF, 2), 4000, 2, false},
        {"IT headers past the catalog", write_it(many), 4000, 4000, false},
        {"ULT samples: a count above 127 is unsigned", write_ult(ult), 200, 200, false},
    };
    for (auto &c : cases) {
        LoadedFile m(c.file);
        unsigned most = c.entries ? c.entries : (unsigned)c.file.size() / 4;
        if (c.atMost) {
            EXPECT_LE(m.count(), most) << c.what;
        } else {
            EXPECT_EQ(m.count(), most) << c.what;
        }
        EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 1), c.samples) << c.what;
    }
}
