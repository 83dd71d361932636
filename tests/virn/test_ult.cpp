// The ULT loader, through the library's exported interface. (The pattern walk that finds
// the data behind repeats, text lines and pan tables libxmp confirms on the ULT fixtures
// of versions '3' and '4'; version '2' below.)
#include "loaded_module.h"
#include "minor_writers.h"

#include <gtest/gtest.h>

TEST(UltLoader, WidthsLoopKindsAndUnits)
{
    // Each sample has its own width. 8-bit loops count frames; 16-bit ones count bytes,
    // as real files store them (18000 frames looped over 9000..36000 is frames
    // 4500..18000): the catalog's byte offsets are the stored values either way. Before
    // version '4' every sample plays at 8363 Hz. A size end before its start is no
    // sample of 4 G frames.
    UltSong song;
    song.version = '2';
    song.title = "Widths of the ULT samples, too long";
    song.samples = {{"ping-pong bit alone", noise(800, 6), 16, 100, 300},
                    {"both", noise(800, 6), 8 | 16, 100, 300},
                    {"16 loop", noise(800, 6), 4 | 8, 100, 300},
                    {"16 ping-pong", noise(800, 6), 4 | 16, 100, 300},
                    {"16 long", noise(36000, 6), 0x1C, 9000, 36000},
                    {"end before start", Bytes(), 0, 0, 0, 100},
                    {"after", ramp8(120, 5)}};
    song.samples[2].rate = 44100;
    song.samples[5].at = 500;
    LoadedFile m(write_ult(song));
    EXPECT_EQ(m.table(), lines({"128 7/6 Widths of the ULT samples, too l",
                                "0 ping-pong bit alone: 800 e0 800 L2:100-300 S4:0-0 8363 1x8",
                                "1 both: 800 e0 800 L2:100-300 S4:0-0 8363 1x8",
                                "2 16 loop: 400 e4 800 L1:100-300 S4:0-0 8363 1x16",
                                "3 16 ping-pong: 400 e4 800 L2:100-300 S4:0-0 8363 1x16",
                                "4 16 long: 18000 e4 36000 L2:9000-36000 S4:0-0 8363 1x16",
                                "5 end before start: 0 e0 0 L0:0-0 S4:0-0 8363 1x8",
                                "6 after: 120 e0 120 L0:0-0 S4:0-0 8363 1x8"}));
    EXPECT_EQ(m.pcm(6), wav8(ramp8(120, 5)));
    song.version = '4';
    EXPECT_EQ(LoadedFile(write_ult(song)).entry(2).rate, 44100u);
}
