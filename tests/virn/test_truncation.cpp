// Damaged files: every prefix of every fixture, and every fixture cut inside each entry's
// data (the fuzz target, seeded with the fixtures, damages them at random). Whatever
// loads extracts without reading outside the copy or the caller's buffers; the sanitize
// build turns any stray read into a failure.
#include "entry_limits.h"
#include "loaded_module.h"

#include <gtest/gtest.h>

// Loads, walks the catalog and extracts every entry both ways; false if refused. With
// `twice` every entry is extracted again through its other index (0x10000 + i) and must
// come out the same: nothing a call does changes the loaded module.
static bool load_and_extract(const Bytes &file, bool twice = false)
{
    // A copy of exactly the file's size, so the sanitizers see reads past its end; it is
    // gone once the module is loaded, as a caller may free its buffer at once.
    std::vector<uint8_t> exact(file);
    ModuleHandle h = VIRN_LoadModule(exact.data(), (uint32_t)exact.size());
    std::vector<uint8_t>().swap(exact);
    if (!h)
        return false;
    const CatalogEntry *catalog = ScGetCatalog(h);
    uint16_t count = VIRN_GetNumberOfSamples(h, 0);
    EXPECT_LE(VIRN_GetNumberOfSamples(h, 1), count);
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        EXPECT_TRUE(within_limits(e)) << "entry " << i;
        // Nothing a damaged file says may make a caller allocate without bound.
        EXPECT_LE(e.info.byteLength, 64u * 1024 * 1024);
        EXPECT_EQ(VIRN_GetSampleInfo(h, i), &e.info);
        // An empty entry writes nothing; no entry writes past its byteLength.
        std::vector<uint8_t> pcm(e.info.byteLength + 1, 0x5A), raw(e.length);
        EXPECT_EQ(VIRN_GetSample(h, i, pcm.data()), e.info.byteLength ? 1 : 0);
        EXPECT_EQ(pcm.back(), 0x5A);
        EXPECT_EQ(VIRN_GetSampleAsIs(h, i, raw.data()), raw.data());
        if (twice) {
            std::vector<uint8_t> again(pcm.size(), 0x5A), rawAgain(raw.size());
            VIRN_GetSample(h, 0x10000 + i, again.data());
            VIRN_GetSampleAsIs(h, 0x10000 + i, rawAgain.data());
            EXPECT_TRUE(again == pcm && rawAgain == raw) << "entry " << i;
        }
    }
    EXPECT_NE(VIRN_FreeModule(h), 0);
    return true;
}

TEST(DamagedFiles, EveryPrefixOfEveryFixture)
{
    for (const Fixture &f : all_module_fixtures()) {
        ASSERT_TRUE(load_and_extract(f.bytes, true)) << f.name << " must load whole";
        // Long fixtures: every length near the start (headers), then a stride.
        size_t step = f.bytes.size() > 20000 ? 97 : 1;
        for (size_t n = 0; n < f.bytes.size(); n += (n < 4096 ? 1 : step))
            load_and_extract(Bytes(f.bytes.begin(), f.bytes.begin() + n));
    }
}

// What an entry keeps of its `length` when the file ends k bytes into its stored data.
static uint32_t clipped_length(uint32_t type, const CatalogEntry &e, uint32_t k)
{
    if (k == 0)
        return 0; // wholly outside the file: an empty slot
    if (type == VIRN_TYPE_MOD)
        return e.length; // the missing part is silence
    if (e.encoding >= 16 && e.encoding <= 23)
        return std::min(e.length, 8 * k); // a compressed stream: at most 8 values a byte
    if (e.encoding == 3)
        return k > 16 ? k : 0; // ADPCM: the 16 steps, then packed bytes
    // Whole values of the first block (two channels are stored as all left values, then
    // all right ones), in the entry's own unit (16-bit DBM lengths count bytes).
    uint32_t value = e.encoding == 255 ? 1 : e.bits / 8;
    uint32_t frame = e.encoding == 255 ? 1 : value * e.channels;
    return (uint32_t)((uint64_t)(k / value) * e.length / (e.info.byteLength / frame));
}

TEST(DamagedFiles, CutInsideAnEntrysDataClipsItToTheFile)
{
    for (const Fixture &f : all_module_fixtures()) {
        LoadedFile whole(f.bytes);
        for (unsigned i = 0; i < whole.count(); i++) {
            CatalogEntry e = whole.entry(i);
            for (uint32_t k : {0u, 1u, 5u, 100u}) {
                // An STM data pointer past the end falls back to where the lengths put the
                // data (its own test); an empty entry or a cut past the data tells nothing.
                if ((k == 0 && whole.type() == VIRN_TYPE_STM) || !e.length ||
                    k >= e.info.byteLength || e.data + k >= f.bytes.size())
                    continue;
                Bytes cut(f.bytes.begin(), f.bytes.begin() + e.data + k);
                // A package keeps its tables after the module: cut, it is no package.
                bool package = f.name.compare(0, 4, "umx_") == 0;
                EXPECT_EQ(load_and_extract(cut), !package) << f.name << " #" << i << " cut " << k;
                if (package)
                    continue;
                LoadedFile m(cut);
                EXPECT_EQ(m.entry(i).length, clipped_length(whole.type(), e, k))
                    << f.name << " #" << i << " cut " << k;
            }
        }
    }
}
