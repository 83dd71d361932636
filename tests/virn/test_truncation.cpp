// Damaged files: every prefix of every fixture, and fixtures with bytes flipped, load
// or are refused; whatever loads extracts without reading outside the copy. The
// sanitize build turns any stray read into a failure.
#include "fixtures.h"
#include "virn.h"

#include <gtest/gtest.h>

// Loads, walks the catalog and extracts every entry both ways; false if refused. With
// `twice` every entry is extracted again and must come out the same: nothing a call does
// changes the loaded module.
static bool load_and_extract(const Bytes &file, bool twice = false)
{
    // A copy of exactly the file's size, so the sanitizers see reads past its end.
    std::vector<uint8_t> exact(file);
    ModuleHandle h = VIRN_LoadModule(exact.data(), (uint32_t)exact.size());
    if (!h)
        return false;
    const CatalogEntry *catalog = ScGetCatalog(h);
    uint16_t count = VIRN_GetNumberOfSamples(h, 0);
    EXPECT_LE(VIRN_GetNumberOfSamples(h, 1), count);
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        // Nothing a damaged file says may make a caller allocate without bound.
        EXPECT_LE(e.info.byteLength, 64u * 1024 * 1024);
        // A slot whose data lies wholly outside the file is empty, in every format.
        EXPECT_TRUE(e.length == 0 || e.data != 0) << "entry " << i;
        // The limits callers rely on: playing loops inside the PCM, rates that keep
        // rate x block size within 32 bits.
        bool loops = e.loopType == VIRN_LOOP_FORWARD || e.loopType == VIRN_LOOP_PINGPONG;
        bool sustains = e.sustainType == VIRN_LOOP_FORWARD || e.sustainType == VIRN_LOOP_PINGPONG;
        EXPECT_TRUE(!loops || e.info.loopEnd <= e.info.byteLength) << "entry " << i;
        EXPECT_TRUE(!sustains || e.info.sustainEnd <= e.info.byteLength) << "entry " << i;
        EXPECT_GE(e.rate, VIRN_MIN_RATE);
        EXPECT_LE(e.rate, VIRN_MAX_RATE);
        std::vector<uint8_t> pcm(e.info.byteLength), raw(e.length);
        VIRN_GetSample(h, i, pcm.data());
        VIRN_GetSampleAsIs(h, i, raw.data());
        std::vector<uint8_t> again(pcm.size());
        if (twice) {
            VIRN_GetSample(h, i, again.data());
            EXPECT_EQ(again, pcm) << "entry " << i;
        }
    }
    VIRN_FreeModule(h);
    return true;
}

TEST(DamagedFiles, EveryPrefixOfEveryFixture)
{
    for (const Fixture &f : all_module_fixtures()) {
        ASSERT_TRUE(load_and_extract(f.bytes, true)) << f.name << " must load whole";
        // Long fixtures: every length near the start (headers), then a stride.
        size_t step = f.bytes.size() > 20000 ? 97 : 1;
        for (size_t n = 0; n < f.bytes.size(); n += (n < 4096 ? 1 : step)) {
            Bytes prefix(f.bytes.begin(), f.bytes.begin() + n);
            load_and_extract(prefix);
        }
    }
}

TEST(DamagedFiles, RandomCorruption)
{
    uint32_t x = 12345;
    auto next = [&x]() {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    for (const Fixture &f : all_module_fixtures()) {
        for (int round = 0; round < 40; round++) {
            Bytes damaged = f.bytes;
            int flips = 1 + (int)(next() % 16);
            for (int k = 0; k < flips; k++) {
                size_t at = next() % damaged.size();
                // Bias towards the headers, where counts and offsets live.
                if (next() & 1)
                    at %= std::min<size_t>(damaged.size(), 2048);
                damaged[at] = (uint8_t)next();
            }
            load_and_extract(damaged);
        }
    }
}
