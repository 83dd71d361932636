// The STM loader, through the library's exported interface.
#include "loaded_module.h"
#include "minor_writers.h"

#include <gtest/gtest.h>

static Bytes stm_of(std::vector<SampleSpec> instruments)
{
    StmSong song;
    song.tracker = "!SCREAM!"; // taken as "!Scream!" (the fixtures) and "BMOD2STM" are
    song.instruments = std::move(instruments);
    return write_stm(song);
}

TEST(StmLoader, SilencedShortAndLoopedInstruments)
{
    // A silenced slot (volume 0) and one of 3 bytes take no data; without a loop the
    // values stay, even past the sample; a loop is cut to the sample.
    std::vector<SampleSpec> ins = {{"silenced", {}, 0, 0, -1, 3000, 8363, -1, 0},
                                   {"volume 1", noise(3000, 4), 0, 0, -1, -1, 8363, -1, 1},
                                   {"3 bytes", {}, 0, 0, -1, 3},
                                   {"4 bytes", noise(4, 4)},
                                   {"looped", noise(1000, 5), 0, 100, 900, -1, 22000},
                                   {"end first", noise(1000, 5), 0, 900, 100},
                                   {"zeros", noise(1000, 5), 0, 0, 0},
                                   {"loop cut", noise(1000, 5), 0, 10, 5000},
                                   {"name14chars.xyz", noise(10, 5)}};
    EXPECT_EQ(LoadedFile(stm_of(ins)).table(),
              lines({"256 30/7 ", "0 silenced: 0 e0 0 L0:0-65535 S4:0-0 8363 1x8",
                     "1 volume 1: 3000 e0 3000 L0:0-65535 S4:0-0 8363 1x8",
                     "2 3 bytes: 0 e0 0 L0:0-65535 S4:0-0 8363 1x8",
                     "3 4 bytes: 4 e0 4 L0:0-65535 S4:0-0 8363 1x8",
                     "4 looped: 1000 e0 1000 L1:100-900 S4:0-0 22000 1x8",
                     "5 end first: 1000 e0 1000 L0:900-100 S4:0-0 8363 1x8",
                     "6 zeros: 1000 e0 1000 L0:0-0 S4:0-0 8363 1x8",
                     "7 loop cut: 1000 e0 1000 L1:10-1000 S4:0-0 8363 1x8",
                     "8 name14chars.: 10 e0 10 L0:0-65535 S4:0-0 8363 1x8"}));
}

TEST(StmLoader, HeaderPointersPlaceTheData)
{
    // Real files keep the data of a silenced slot (length 4095, volume 0): only the
    // header's paragraph pointer finds the sample after it (libxmp confirms the fixture
    // laid out so). A pointer of 0, or one past the end of the file, falls back to the
    // position the lengths give.
    const uint32_t first = 1168 + 1024; // one pattern
    struct {
        const char *what;
        int64_t paragraph; // of the second instrument
        uint32_t expected; // its data's file offset
    } cases[] = {
        {"no pointer", 0, first}, // the muted slot takes no place in the sequence
        {"past the end", 0xFFFF, first},
    };
    for (auto &c : cases) {
        SampleSpec muted = {"muted", noise(4095, 2), 0, 0, -1, -1, 8363, -1, 0};
        SampleSpec played = {"played", ramp8(700, 1, 5), 0, 100, 600};
        played.at = c.paragraph;
        Bytes file = stm_of({muted, played});
        LoadedFile m(file);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(m.entry(0).length, 0u);
        EXPECT_EQ(m.stored(1), Bytes(file.begin() + c.expected, file.begin() + c.expected + 700));
    }
}
