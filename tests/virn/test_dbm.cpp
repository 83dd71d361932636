// The DBM loader, through the library's exported interface.
#include "loaded_module.h"
#include "minor_writers.h"

#include <gtest/gtest.h>

TEST(DbmLoader, SampleRecordsAndTheInstrumentsThatNameThem)
{
    // A 16-bit record of 1000 frames takes 8 + 2000 bytes (16-bit lengths and loops count
    // bytes); a record of an unknown kind is listed with its bytes as they are and is no
    // sample. Instruments that name no usable sample are passed over; a sample no
    // instrument names has no loop and the lowest rate and no sustain kind; a loop of
    // length 0 is none. (How SMPL and INST merge in either order, and the big-endian
    // 16-bit data, libxmp confirms on the two DBM fixtures.)
    DbmSong song;
    song.name = "A DBM module name of exactly forty-four chrs";
    Bytes odd = noise(300, 2);
    song.instruments = {
        {"", 0, 1111}, {"", 5, 2222}, {"", 0xFFFF, 3333}, {"", 4, 4444, 5, 0, 1}, {"", 1, 5555}};
    song.samples = {
        {2, dbm_big_endian(sine16(1000, 10))}, {4, odd}, {1, ramp8(99, 4)}, {1, ramp8(10)}};
    LoadedFile m(write_dbm(song));
    EXPECT_EQ(
        m.table(),
        lines({"524288 4/3 A DBM module name of exactly forty-four chrs",
               "0 : 2000 e7 2000 L0:0-0 S4:0-0 5555 1x16", "1 : 300 e255 300 L0:0-0 S0:0-0 1 2x16",
               "2 : 99 e0 99 L0:0-0 S0:0-0 1 1x8", "3 : 10 e0 10 L0:0-0 S4:0-0 4444 1x8"}));
    EXPECT_EQ(m.stored(1), odd);
    EXPECT_EQ(m.stored(2), ramp8(99, 4));
    EXPECT_EQ(m.entry(2).data - m.entry(0).data, 2008u + 308u);
}
