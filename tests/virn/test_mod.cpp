// The MOD loader, through the library's exported interface.
#include "loaded_module.h"
#include "mod_writer.h"

#include <gtest/gtest.h>

TEST(ModLoader, TagsGiveChannelCountsThatPlaceTheSampleData)
{
    struct {
        const char *tag;
        uint32_t channels; // pattern width the writer uses; 0: not a MOD
    } cases[] = {{"M.K.", 4}, {"M!K!", 4},  {"6CHN", 6},  {"8CHN", 8},  {"CD81", 8},
                 {"OKTA", 8}, {"FLT4", 4},  {"FLT8", 8},  {"TDZ3", 3},  {"FA06", 6},
                 {"2CHN", 2}, {"10CH", 10}, {"32CH", 32}, {"64CH", 64}, {"0CHN", 0},
                 {"00CH", 0}, {"FLTx", 0},  {"XXXX", 0},  {"m.k.", 0}};
    for (auto &c : cases) {
        ModSpec desc;
        desc.tag = c.tag;
        desc.channels = c.channels ? c.channels : 4;
        desc.orders = {0, 2, 1}; // 3 patterns: the largest entry counts, not the song length
        desc.samples = {{"s", noise(200, 3)}};
        LoadedFile m(write_mod(desc), true);
        EXPECT_EQ(m.type(), c.channels ? (uint32_t)VIRN_TYPE_MOD : 0u) << c.tag;
        EXPECT_EQ(m.stored(0), c.channels ? noise(200, 3) : Bytes()) << c.tag;
    }
}

TEST(ModLoader, LoopRepairAdpcmAndFinetuneRates)
{
    // An order entry of 255 wraps the 8-bit pattern count to 0: the data follows the tag.
    // Real files put "ADPCM" in front of packed data (skipped by its packed size); a name
    // saying so means nothing.
    Bytes block = noise(16 + 500, 4), marked = text_of("ADPCM");
    marked.insert(marked.end(), block.begin(), block.end());
    ModSpec desc;
    desc.title = "abcdefghijklmnopqrstuvwxyz";
    desc.orders = {255};
    desc.samples = {
        {"start in bytes: halved", ramp8(10000), 4000, 2000},
        {"length word 1: none", ramp8(10000), 0, 1},
        {"length word 0", ramp8(10000), 0, 0},
        {"fits without halving", ramp8(10000), 4000, 1000},
        {"start past the end", ramp8(10000), 9000, 1000},
        {"end clipped", ramp8(600), 200, 400},
        {"8 bytes: dropped", ramp8(100), 0, 4},
        {"6 bytes long: kept", ramp8(100), 2, 3},
        {"4 bytes long: dropped", ramp8(100), 3, 2},
        {"junk high nibble", ramp8(8), 0, 1, 0xF9},
        {"drums", marked, 0, 1, 0, 500}, // 1000 decoded bytes
        {"ADPCM by name", ramp8(64, 5)},
        {"next", ramp8(80, 7)},
    };
    LoadedFile m(write_mod(desc));
    EXPECT_EQ(m.table(),
              lines({"1 31/13 abcdefghijklmnopqrst",
                     "0 start in bytes: halved: 10000 e0 10000 L1:4000-8000 S4:0-0 8287 1x8",
                     "1 length word 1: none: 10000 e0 10000 L0:0-0 S4:0-0 8287 1x8",
                     "2 length word 0: 10000 e0 10000 L0:0-0 S4:0-0 8287 1x8",
                     "3 fits without halving: 10000 e0 10000 L1:8000-10000 S4:0-0 8287 1x8",
                     "4 start past the end: 10000 e0 10000 L0:0-0 S4:0-0 8287 1x8",
                     "5 end clipped: 600 e0 600 L1:400-600 S4:0-0 8287 1x8",
                     "6 8 bytes: dropped: 100 e0 100 L0:0-0 S4:0-0 8287 1x8",
                     "7 6 bytes long: kept: 100 e0 100 L1:4-10 S4:0-0 8287 1x8",
                     "8 4 bytes long: dropped: 100 e0 100 L0:0-0 S4:0-0 8287 1x8",
                     "9 junk high nibble: 8 e0 8 L0:0-0 S4:0-0 7881 1x8",
                     "10 drums: 1000 e3 1000 L0:0-0 S4:0-0 8287 1x8",
                     "11 ADPCM by name: 64 e0 64 L0:0-0 S4:0-0 8287 1x8",
                     "12 next: 80 e0 80 L0:0-0 S4:0-0 8287 1x8"}));
    Bytes head = m.stored(10); // the data starts after the mark
    EXPECT_EQ(Bytes(head.begin(), head.begin() + (long)block.size()), block);
    EXPECT_EQ(m.stored(12), ramp8(80, 7));
    // Finetunes 0 to 7 raise the rate, 8 to 15 (-8 to -1) lower it.
    const uint32_t rates[16] = {8287, 8345, 8404, 8465, 8526, 8588, 8650, 8714,
                                7829, 7881, 7934, 7988, 8042, 8116, 8172, 8229};
    desc.samples.clear();
    for (uint8_t f = 0; f < 16; f++)
        desc.samples.push_back({"", ramp8(8), 0, 1, f});
    LoadedFile tuned(write_mod(desc));
    for (unsigned f = 0; f < 16; f++)
        EXPECT_EQ(tuned.entry(f).rate, rates[f]) << f;
}
