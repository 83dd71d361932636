// The MOD loader, through the library's exported interface.
#include "loaded_module.h"
#include "mod_writer.h"

#include <gtest/gtest.h>

// A module of the given samples, everything else as trackers write it.
static Bytes mod_of(std::vector<ModSampleSpec> samples)
{
    ModSpec desc;
    desc.samples = std::move(samples);
    return write_mod(desc);
}

TEST(ModLoader, TagsGiveChannelCountsThatPlaceTheSampleData)
{
    struct {
        const char *tag;
        uint32_t channels; // pattern width the writer uses
        bool loads;
    } cases[] = {
        {"M.K.", 4, true},  {"M!K!", 4, true},  {"6CHN", 6, true},  {"8CHN", 8, true},
        {"CD81", 8, true},  {"OKTA", 8, true},  {"FLT4", 4, true},  {"FLT8", 8, true},
        {"TDZ3", 3, true},  {"FA06", 6, true},  {"2CHN", 2, true},  {"10CH", 10, true},
        {"32CH", 32, true}, {"64CH", 64, true}, {"0CHN", 4, false}, {"00CH", 4, false},
        {"FLTx", 4, false}, {"XXXX", 4, false}, {"m.k.", 4, false},
    };
    for (auto &c : cases) {
        ModSpec desc;
        desc.tag = c.tag;
        desc.channels = c.channels;
        desc.orders = {0, 2, 1};
        desc.samples = {{"s", noise(200, 3)}};
        LoadedFile m(write_mod(desc), true);
        ASSERT_EQ(m.h != 0, c.loads) << c.tag;
        if (m.h) {
            EXPECT_EQ(m.type(), (uint32_t)VIRN_TYPE_MOD);
            EXPECT_EQ(m.stored(0), noise(200, 3)) << c.tag;
        }
    }
}

TEST(ModLoader, PatternCountFromTheLargestOrderEntry)
{
    // Largest entry 5 with 4 channels: sample data begins at 1084 + 4 * 256 * 6 = 7228.
    ModSpec desc;
    desc.orders = {0, 5}; // entries past the song length count too
    desc.samples = {{"a", ramp8(100)}};
    Bytes file = write_mod(desc);
    ASSERT_EQ(file.size(), 7228u + 100);
    EXPECT_EQ(LoadedFile(file).stored(0), ramp8(100));
    // 255 wraps the 8-bit count to 0: the data begins right after the tag.
    desc.orders = {255};
    desc.patternBytesOverride = 0;
    EXPECT_EQ(LoadedFile(write_mod(desc)).stored(0), ramp8(100));
    // "FLT8": orders count 4-channel halves, so 0, 2, 4 are three patterns of 2048 bytes.
    desc = ModSpec();
    desc.tag = "FLT8";
    desc.channels = 8;
    desc.orders = {0, 2, 4, 2};
    desc.samples = {{"a", noise(600, 3)}, {"b", ramp8(90)}};
    file = write_mod(desc);
    ASSERT_EQ(file.size(), 1084u + 3 * 2048 + 690);
    LoadedFile flt8(file);
    EXPECT_EQ(flt8.stored(0), noise(600, 3));
    EXPECT_EQ(flt8.stored(1), ramp8(90));
}

TEST(ModLoader, LoopRepair)
{
    struct {
        uint32_t bytes;
        uint16_t startWords, lengthWords;
        const char *loop; // a loop dropped leaves no values
    } cases[] = {
        {10000, 1000, 2000, "loop 1:2000-6000"},  // plain
        {10000, 4000, 2000, "loop 1:4000-8000"},  // start given in bytes: halved
        {10000, 0, 1, "loop 0:0-0"},              // length word 1: no loop
        {10000, 0, 0, "loop 0:0-0"},              //
        {10000, 4000, 1000, "loop 1:8000-10000"}, // fits without halving
        {10000, 9000, 1000, "loop 0:0-0"},        // start past the end: too short to be meant
        {600, 200, 400, "loop 1:400-600"},        // end clipped to the sample
        {100, 0, 4, "loop 0:0-0"},                // le <= 8: dropped
        {100, 2, 3, "loop 1:4-10"},               // 6 bytes long: kept
        {100, 3, 2, "loop 0:0-0"},                // 4 bytes long: dropped
    };
    for (auto &c : cases) {
        LoadedFile m(mod_of({{"loop", ramp8(c.bytes), c.startWords, c.lengthWords}}));
        EXPECT_TRUE(entry_is(m.entry(0), std::string(c.loop) + ", sustain 4:0-0"))
            << c.bytes << " " << c.startWords << "+" << c.lengthWords;
    }
}

TEST(ModLoader, FinetuneRates)
{
    const uint32_t rates[16] = {8287, 8345, 8404, 8465, 8526, 8588, 8650, 8714,
                                7829, 7881, 7934, 7988, 8042, 8116, 8172, 8229};
    std::vector<ModSampleSpec> samples;
    for (int i = 0; i < 16; i++)
        samples.push_back({"", ramp8(8), 0, 1, (uint8_t)i});
    samples.push_back({"", ramp8(8), 0, 1, 0xF9}); // junk high nibble
    LoadedFile m(mod_of(samples));
    for (int i = 0; i < 16; i++)
        EXPECT_TRUE(entry_is(m.entry(i), "rate " + std::to_string(rates[i]))) << i;
    EXPECT_TRUE(entry_is(m.entry(16), "rate " + std::to_string(rates[9])));
}

TEST(ModLoader, CountsNamesAndTitle)
{
    ModSpec desc;
    desc.title = "abcdefghijklmnopqrstuvwxyz"; // 20 are written
    desc.samples = {{"kick", ramp8(100)},
                    {"empty", Bytes()},
                    {"a name of 22 chars....", ramp8(50)},
                    {"two bytes", Bytes{1, 2}}};
    LoadedFile m(write_mod(desc));
    EXPECT_EQ(m.song(), "abcdefghijklmnopqrst");
    EXPECT_EQ(m.count(), 31u);
    EXPECT_EQ(m.samples(), 2); // two-byte slots are empty
    EXPECT_STREQ(m.entry(1).name, "empty");
    EXPECT_STREQ(m.entry(2).name, "a name of 22 chars....");
    EXPECT_TRUE(entry_is(m.entry(0), "length 100, channels 1, bits 8"));
    EXPECT_TRUE(entry_is(m.entry(1), "length 0") && entry_is(m.entry(3), "length 0"));
}

TEST(ModLoader, SamplesAfterOddSlotsAreFound)
{
    // 64 KB or more (16-bit byte counts would wrap), and the two stored bytes of an
    // empty slot.
    for (const Bytes &first : {noise(70000, 9), Bytes{7, 7}}) {
        LoadedFile m(mod_of({{"first", first}, {"next", noise(300, 77)}}));
        EXPECT_TRUE(
            entry_is(m.entry(0), "length " + std::to_string(first.size() > 2 ? first.size() : 0u)));
        EXPECT_EQ(m.stored(1), noise(300, 77)) << first.size();
    }
}

TEST(ModLoader, AdpcmSamplesAreMarkedInTheirDataAndSkippedByTheirPackedSize)
{
    // Real files put "ADPCM" in front of the packed data; a name saying so means nothing.
    Bytes block = noise(16 + 500, 4), marked = text_of("ADPCM");
    marked.insert(marked.end(), block.begin(), block.end());
    ModSampleSpec packed = {"drums", marked};
    packed.lengthWords = 500; // 1000 decoded bytes
    LoadedFile m(mod_of({packed, {"ADPCM by name", ramp8(64, 5)}, {"next", ramp8(80, 7)}}));
    EXPECT_TRUE(entry_is(m.entry(0), "encoding 3, length 1000, bytes 1000"));
    Bytes head = m.stored(0); // the data starts after the mark
    ASSERT_GE(head.size(), block.size());
    EXPECT_EQ(Bytes(head.begin(), head.begin() + (long)block.size()), block);
    EXPECT_TRUE(entry_is(m.entry(1), "encoding 0"));
    EXPECT_EQ(m.stored(1), ramp8(64, 5));
    EXPECT_EQ(m.stored(2), ramp8(80, 7));
}

TEST(ModLoader, SlotsWhollyOutsideTheFileAreEmpty)
{
    Bytes file = mod_of({{"whole", ramp8(400)}, {"cut", ramp8(1000, 1)}, {"gone", ramp8(500, 2)}});
    file.resize(file.size() - 500 - 300); // "gone" is not there, "cut" lost 300 bytes
    LoadedFile m(file);
    EXPECT_TRUE(entry_is(m.entry(0), "length 400"));
    EXPECT_TRUE(entry_is(m.entry(1), "length 1000")); // a cut sample keeps its length
    EXPECT_TRUE(entry_is(m.entry(2), "length 0"));
    EXPECT_EQ(m.samples(), 2);
}
