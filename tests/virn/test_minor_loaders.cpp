// The loaders of the formats the minor writers make (STM, MTM, ULT, PTM, PSM, DBM),
// through the library's exported interface.
#include "loaded_module.h"
#include "minor_writers.h"
#include "xm_writer.h" // xm_deltas8: PTM and PSM store the same running byte sums

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

TEST(MtmLoader, WidthsLoopsAndTinySamples)
{
    // 16-bit samples count frames and their loops are bytes brought to frames; an odd
    // byte count loses its last byte (3001 bytes are 1500 frames). Loops shorter than 5
    // values are dropped. Samples of 1 to 4 bytes are empty slots, but real files store
    // their bytes: the next sample starts after them.
    // (Where the data lies after the tracks, patterns and comment, libxmp confirms on the
    // MTM fixture.)
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

TEST(UltLoader, WidthsLoopKindsAndUnits)
{
    // Each sample has its own width. 8-bit loops count frames; 16-bit ones count bytes,
    // as real files store them (18000 frames looped over 9000..36000 is frames
    // 4500..18000): the catalog's byte offsets are the stored values either way. Before
    // version '4' every sample plays at 8363 Hz. A size end before its start is no
    // sample of 4 G frames.
    // (The pattern walk that finds the data behind repeats, text lines and pan tables
    // libxmp confirms on the ULT fixtures of versions '3' and '4'; version '2' here.)
    UltSong song;
    song.version = '2';
    song.title = "Widths of the ULT samples, too long";
    song.samples = {{"ping-pong bit alone", noise(800, 6), 16, 100, 300},
                    {"both", noise(800, 6), 8 | 16, 100, 300},
                    {"16 loop", noise(800, 6), 4 | 8, 100, 300, -1, 44100},
                    {"16 ping-pong", noise(800, 6), 4 | 16, 100, 300},
                    {"16 long", noise(36000, 6), 0x1C, 9000, 36000},
                    {"end before start", Bytes(), 0, 0, 0, 100, 8363, 500},
                    {"after", ramp8(120, 5)}};
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

TEST(PtmLoader, KindsRatesLoopsAndEmptySlots)
{
    // Rates are twice the C4 speed; every slot carries the module type, name and rate,
    // so a module of empty slots still loads. Loops: bytes, 16-bit ones brought to
    // frames and back, all 32 bits of a field, cut to the sample when they play. Data at
    // offset 0 or past the end of the file makes an empty slot.
    // (The byte deltas of both widths decode as libxmp reads them in the PTM fixture.)
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
