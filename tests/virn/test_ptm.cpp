// The PTM loader, through the library's exported interface. (The byte deltas of both
// widths decode as libxmp reads them in the PTM fixture.)
#include "loaded_module.h"
#include "minor_writers.h"
#include "xm_writer.h"

#include <gtest/gtest.h>

TEST(PtmLoader, KindsRatesLoopsAndEmptySlots)
{
    // Rates are twice the C4 speed; every slot carries the module type, name and rate,
    // so a module of empty slots still loads. Loops: bytes, 16-bit ones brought to
    // frames and back, all 32 bits of a field, cut to the sample when they play. Data at
    // offset 0 or past the end of the file makes an empty slot.
    Bytes data = xm_deltas8(noise(1000, 2));
    PtmSong song;
    song.name = "A PTM song name of 28 chars and more";
    song.samples = {
        {"no loop", data, 1, 100, 900},         {"ping-pong", data, 1 | 8, 100, 900},
        {"16-bit", data, 1 | 4 | 16, 100, 901}, {"32-bit field", data, 1, 10, 65537},
        {"cut", data, 1 | 4, 10, 65537},        {"empty slot", data, 0, 100, 900},
        {"no data", {}, 0, 0, 0, 0, 4000},      {"zero length", {}, 1},
        {"at 0", data, 1, 0, -1, -1, 8363, 0},  {"far", data, 1, 0, -1, -1, 8363, 0x7FFFFFF0}};
    EXPECT_EQ(
        LoadedFile(write_ptm(song)).table(),
        lines({"262144 10/5 A PTM song name of 28 chars ",
               "0 no loop: 1000 e2 1000 L0:100-900 S4:0-0 16726 1x8",
               "1 ping-pong: 1000 e2 1000 L2:100-900 S4:0-0 16726 1x8",
               "2 16-bit: 500 e37 1000 L1:100-900 S4:0-0 16726 1x16",
               "3 32-bit field: 1000 e2 1000 L0:10-65537 S4:0-0 16726 1x8",
               "4 cut: 1000 e2 1000 L1:10-1000 S4:0-0 16726 1x8",
               "5 empty slot: 0 e0 0 L0:0-0 S4:0-0 16726 1x8",
               "6 no data: 0 e0 0 L0:0-0 S4:0-0 8000 1x8",
               "7 zero length: 0 e2 0 L0:0-0 S4:0-0 16726 1x8",
               "8 at 0: 0 e2 0 L0:0-0 S4:0-0 16726 1x8", "9 far: 0 e2 0 L0:0-0 S4:0-0 16726 1x8"}));
}
