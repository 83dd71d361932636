// Counts and offsets that the file cannot back: the catalog holds only what the file
// holds, and never more than its 4000 slots.
#include "it_writer.h"
#include "loaded_module.h"
#include "minor_writers.h"
#include "s3m_writer.h"
#include "xm_writer.h"

#include <gtest/gtest.h>

static Bytes poked16(Bytes b, size_t at, uint32_t value)
{
    poke_le16(b, at, value);
    return b;
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
        {"S3M instruments", poked16(write_s3m(s3m), 34, 0xFFFF), 0, 2, true},
        {"XM samples", poked16(write_xm(xm), 336 + 9 + 256 + 27, 60000), 9, 0, true},
        {"IT samples", poked16(write_it(it), 36, 0xFFFF), 0, 2, true},
        {"PTM samples", poked16(write_ptm(ptm), 34, 0xFFFF), 0, 2, true},
        // Tracks: the data would lie far past the end.
        {"MTM tracks", poked16(write_mtm(mtm), 24, 0xFFFF), 1, 0, false},
        // Every record past the file is an empty slot.
        {"DBM samples", poked16(write_dbm(dbm), 70, 0xFFFF), 4000, 2, false},
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
