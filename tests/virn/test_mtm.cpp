// The MTM loader, through the library's exported interface. (Where the data lies after
// the tracks, patterns and comment, libxmp confirms on the MTM fixture.)
#include "loaded_module.h"
#include "minor_writers.h"

#include <gtest/gtest.h>

TEST(MtmLoader, WidthsLoopsAndTinySamples)
{
    // 16-bit samples count frames and their loops are bytes brought to frames; an odd
    // byte count loses its last byte (3001 bytes are 1500 frames). Loops shorter than 5
    // values are dropped. Samples of 1 to 4 bytes are empty slots, but real files store
    // their bytes: the next sample starts after them.
    Bytes biased16 = sine16(1500, 75);
    for (size_t i = 1; i < biased16.size(); i += 2)
        biased16[i] ^= 0x80;
    MtmSong song;
    song.name = "Name longer than twenty";
    song.samples = {{"16-bit", biased16, 1, 200, 2800, 3001},
                    {"loop end 0", noise(1000, 3), 0, 0, 0},
                    {"4 values", noise(1000, 3), 0, 100, 104},
                    {"5 values", noise(1000, 3), 0, 100, 105},
                    {"cut", noise(1000, 3), 0, 100, 5000},
                    {"cut, then too short", noise(1000, 3), 0, 997, 5000},
                    {"16-bit 4 frames", noise(1000, 3), 1, 100, 108},
                    {"16-bit 5 frames", noise(1000, 3), 1, 100, 110},
                    {"16-bit cut", noise(1000, 3), 1, 100, 4000},
                    {"tiny", Bytes{1, 2, 3, 4}, 0, 0, 4},
                    {"one", Bytes{9}},
                    {"16-bit tiny", Bytes{5, 6, 7}, 1},
                    {"after", noise(100, 9)}};
    LoadedFile m(write_mtm(song));
    EXPECT_EQ(m.table(), lines({"16 13/10 Name longer than twe",
                                "0 16-bit: 1500 e5 3000 L1:200-2800 S4:0-0 8363 1x16",
                                "1 loop end 0: 1000 e1 1000 L0:0-0 S4:0-0 8363 1x8",
                                "2 4 values: 1000 e1 1000 L0:0-0 S4:0-0 8363 1x8",
                                "3 5 values: 1000 e1 1000 L1:100-105 S4:0-0 8363 1x8",
                                "4 cut: 1000 e1 1000 L1:100-1000 S4:0-0 8363 1x8",
                                "5 cut, then too short: 1000 e1 1000 L0:0-0 S4:0-0 8363 1x8",
                                "6 16-bit 4 frames: 500 e5 1000 L0:0-0 S4:0-0 8363 1x16",
                                "7 16-bit 5 frames: 500 e5 1000 L1:100-110 S4:0-0 8363 1x16",
                                "8 16-bit cut: 500 e5 1000 L1:100-1000 S4:0-0 8363 1x16",
                                "9 tiny: 0 e1 0 L0:0-0 S4:0-0 8363 1x8",
                                "10 one: 0 e1 0 L0:0-0 S4:0-0 8363 1x8",
                                "11 16-bit tiny: 0 e1 0 L0:0-0 S4:0-0 8363 1x8",
                                "12 after: 100 e1 100 L0:0-0 S4:0-0 8363 1x8"}));
    EXPECT_EQ(m.pcm(0), sine16(1500, 75)); // unsigned: the bias goes
    EXPECT_EQ(m.stored(12), noise(100, 9));
}
