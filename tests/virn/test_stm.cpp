// The STM loader, through the library's exported interface.
#include "loaded_module.h"
#include "minor_writers.h"

#include <gtest/gtest.h>

TEST(StmLoader, SilencedShortAndLoopedInstruments)
{
    // A silenced slot (volume 0) and one of 3 bytes take no data; without a loop the
    // values stay, even past the sample; a loop is cut to the sample. A data pointer of 0
    // ("looped") or one past the end of the file ("loop cut") falls back to the position
    // the lengths give, over which neither empty slot moves (real files keep a silenced
    // slot's data, so only its pointer places the sample after it: libxmp confirms the
    // fixture laid out so).
    StmSong song;
    song.tracker = "!SCREAM!"; // taken as "!Scream!" (the fixtures) and "BMOD2STM" are
    song.instruments = {{"silenced", {}, 0, 0, -1, 3000, 8363, -1, 0},
                        {"volume 1", noise(3000, 4), 0, 0, -1, -1, 8363, -1, 1},
                        {"3 bytes", {}, 0, 0, -1, 3},
                        {"4 bytes", noise(4, 4)},
                        {"looped", noise(1000, 6), 0, 100, 900, -1, 22000, 0},
                        {"end first", noise(1000, 5), 0, 900, 100},
                        {"zeros", noise(1000, 5), 0, 0, 0},
                        {"loop cut", ramp8(1000, 1, 5), 0, 10, 5000, -1, 8363, 0xFFFF},
                        {"name14chars.xyz", noise(10, 5)}};
    LoadedFile m(write_stm(song));
    EXPECT_EQ(m.table(), lines({"256 30/7 ", "0 silenced: 0 e0 0 L0:0-65535 S4:0-0 8363 1x8",
                                "1 volume 1: 3000 e0 3000 L0:0-65535 S4:0-0 8363 1x8",
                                "2 3 bytes: 0 e0 0 L0:0-65535 S4:0-0 8363 1x8",
                                "3 4 bytes: 4 e0 4 L0:0-65535 S4:0-0 8363 1x8",
                                "4 looped: 1000 e0 1000 L1:100-900 S4:0-0 22000 1x8",
                                "5 end first: 1000 e0 1000 L0:900-100 S4:0-0 8363 1x8",
                                "6 zeros: 1000 e0 1000 L0:0-0 S4:0-0 8363 1x8",
                                "7 loop cut: 1000 e0 1000 L1:10-1000 S4:0-0 8363 1x8",
                                "8 name14chars.: 10 e0 10 L0:0-65535 S4:0-0 8363 1x8"}));
    EXPECT_EQ(m.stored(4), noise(1000, 6));
    EXPECT_EQ(m.stored(7), ramp8(1000, 1, 5));
}
