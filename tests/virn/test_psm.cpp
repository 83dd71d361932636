// The PSM loader, through the library's exported interface.
#include "loaded_module.h"
#include "minor_writers.h"
#include "xm_writer.h" // xm_deltas8: the same running byte sums

#include <gtest/gtest.h>

TEST(PsmLoader, SampleChunksInFileOrderAmongOtherChunks)
{
    // The title chunk is not read, nor a sample chunk smaller than a sample head; the rate
    // lies at an odd offset; loop starts are one less than stored. A length of 3 or less
    // counts only where the chunk holds more than 3 data bytes; 0 stays 0. (A length past
    // the file: the clip property over the fixtures.)
    PsmSong song;
    Bytes a = noise(500, 1), b = sine16(100, 20), c = ramp8(77, 200, 3);
    song.samples = {{"first of the samples, 33 letters!", xm_deltas8(a), 0x80, 1, 500, -1, 22222},
                    {"second", xm_deltas8(b), 0x80, 0, 150},
                    {"third", xm_deltas8(c), 0x80, 11, 40},
                    {"no loop bit", noise(600, 2), 0x00, 101, 400},
                    {"other bits", noise(600, 2), 0x7F, 10, 20},
                    {"no data", {}, 0, 0, 0, 2},
                    {"3 of 3", noise(3, 3), 0, 0, 0, 3},
                    {"2 of 10", noise(10, 3), 0, 0, 0, 2},
                    {"0 of 10", noise(10, 3), 0, 0, 0, 0}};
    Bytes file = write_psm(song), small; // with a sample chunk too small for a sample head
    put_chunk(small, "DSMP", noise(40, 5), false);
    file.insert(file.begin() + 12, small.begin(), small.end());
    LoadedFile m(file);
    EXPECT_EQ(m.table(),
              lines({"4194304 9/6 ",
                     "0 first of the samples, 33 letters!: 500 e2 500 L1:0-500 S4:0-0 22222 1x8",
                     "1 second: 200 e2 200 L1:0-150 S4:0-0 8363 1x8",
                     "2 third: 77 e2 77 L1:10-40 S4:0-0 8363 1x8",
                     "3 no loop bit: 600 e2 600 L0:100-400 S4:0-0 8363 1x8",
                     "4 other bits: 600 e2 600 L0:9-20 S4:0-0 8363 1x8",
                     "5 no data: 0 e2 0 L0:0-0 S4:0-0 8363 1x8",
                     "6 3 of 3: 0 e2 0 L0:0-0 S4:0-0 8363 1x8",
                     "7 2 of 10: 2 e2 2 L0:0-0 S4:0-0 8363 1x8",
                     "8 0 of 10: 0 e2 0 L0:0-0 S4:0-0 8363 1x8"}));
    EXPECT_EQ(m.pcm(0), wav8(a));
    EXPECT_EQ(m.pcm(2), wav8(c));
}
