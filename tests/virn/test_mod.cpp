// The MOD loader, through the library's exported interface.
#include "loaded_module.h"
#include "mod_writer.h"
#include "virn.h"

#include <gtest/gtest.h>
#include <string.h>

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
        Bytes data = noise(200, 3);
        desc.samples = {ModSampleSpec{"s", data}};
        LoadedFile m(write_mod(desc));
        ASSERT_EQ(m.h != 0, c.loads) << c.tag;
        if (!m.h)
            continue;
        EXPECT_EQ(GetModType(m.h), (uint32_t)VIRN_TYPE_MOD);
        EXPECT_EQ(m.stored(0), data) << c.tag;
    }
}

TEST(ModLoader, PatternCountFromTheLargestOrderEntry)
{
    // Largest entry 5 with 4 channels: sample data begins at 1084 + 4 * 256 * 6 = 7228.
    ModSpec desc;
    desc.songLength = 1;
    desc.orders = {0, 5}; // entries past the song length count too
    desc.samples = {ModSampleSpec{"a", ramp8(100)}};
    Bytes file = write_mod(desc);
    ASSERT_EQ(file.size(), 7228u + 100);
    LoadedFile m(file);
    EXPECT_EQ(m.stored(0), ramp8(100));

    // 255 wraps the 8-bit count to 0: the data begins right after the tag.
    desc.orders = {255};
    desc.patternBytesOverride = 0;
    LoadedFile wrapped(write_mod(desc));
    EXPECT_EQ(wrapped.stored(0), ramp8(100));
}

TEST(ModLoader, LoopRepair)
{
    struct {
        uint32_t bytes;
        uint16_t startWords, lengthWords;
        uint32_t loopStart, loopEnd;
        uint8_t loopType;
    } cases[] = {
        {10000, 1000, 2000, 2000, 6000, 1}, // plain
        {10000, 4000, 2000, 4000, 8000, 1}, // start given in bytes: halved
        {10000, 0, 1, 0, 0, 0},             // length word 1: no loop
        {10000, 0, 0, 0, 0, 0},
        {10000, 4000, 1000, 8000, 10000, 1}, // fits without halving
        {10000, 9000, 1000, 9999, 10000, 0}, // start past the end: too short to be meant
        {600, 200, 400, 400, 600, 1},        // end clipped to the sample
        {100, 0, 4, 0, 8, 0},                // le <= 8: dropped
        {100, 2, 3, 4, 10, 1},               // 6 bytes long: kept
        {100, 3, 2, 6, 10, 0},               // 4 bytes long: dropped
    };
    for (auto &c : cases) {
        ModSpec desc;
        desc.samples = {ModSampleSpec{"loop", ramp8(c.bytes), c.startWords, c.lengthWords}};
        LoadedFile m(write_mod(desc));
        ASSERT_TRUE(m.h);
        EntryView e = m.entry(0);
        SCOPED_TRACE(testing::Message() << c.bytes << " " << c.startWords << "+" << c.lengthWords);
        EXPECT_EQ(e.loopType, c.loopType);
        if (c.loopType) {
            EXPECT_EQ(e.info.loopStart, c.loopStart);
            EXPECT_EQ(e.info.loopEnd, c.loopEnd);
        } else {
            EXPECT_EQ(e.info.loopStart, 0u);
            EXPECT_EQ(e.info.loopEnd, 0u);
        }
        EXPECT_EQ(e.sustainType, VIRN_LOOP_NOT_IN_FORMAT);
    }
}

TEST(ModLoader, FinetuneRates)
{
    const uint32_t rates[16] = {8287, 8345, 8404, 8465, 8526, 8588, 8650, 8714,
                                7829, 7881, 7934, 7988, 8042, 8116, 8172, 8229};
    ModSpec desc;
    for (int i = 0; i < 16; i++)
        desc.samples.push_back(ModSampleSpec{"", ramp8(8), 0, 1, (uint8_t)i});
    desc.samples.push_back(ModSampleSpec{"", ramp8(8), 0, 1, 0xF9}); // junk high nibble
    LoadedFile m(write_mod(desc));
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(m.entry(i).rate, rates[i]) << i;
    EXPECT_EQ(m.entry(16).rate, rates[9]);
}

TEST(ModLoader, CountsNamesAndTitle)
{
    ModSpec desc;
    desc.title = "abcdefghijklmnopqrstuvwxyz"; // 20 are written
    desc.samples = {ModSampleSpec{"kick", ramp8(100)}, ModSampleSpec{"empty", Bytes()},
                    ModSampleSpec{"a name of 22 chars....", ramp8(50)},
                    ModSampleSpec{"two bytes", Bytes{1, 2}}};
    LoadedFile m(write_mod(desc));
    ASSERT_TRUE(m.h);
    EXPECT_STREQ(VIRN_GetSongName(m.h), "abcdefghijklmnopqrst");
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 0), 31);
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 1), 2); // two-byte slots are empty
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 2), 2);
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, -1), 2);
    EXPECT_STREQ(m.entry(0).name, "kick");
    EXPECT_STREQ(m.entry(1).name, "empty");
    EXPECT_EQ(m.entry(1).length, 0u);
    EXPECT_STREQ(m.entry(2).name, "a name of 22 chars....");
    EXPECT_EQ(m.entry(3).length, 0u);
    EXPECT_EQ(m.entry(0).channels, 1);
    EXPECT_EQ(m.entry(0).bits, 8);
}

TEST(ModLoader, SamplesAfterOddSlotsAreFound)
{
    struct {
        const char *what;
        ModSampleSpec first;
    } cases[] = {
        {"64 KB or more (16-bit lengths would wrap)", ModSampleSpec{"long", noise(70000, 9)}},
        {"two stored bytes of an empty slot", ModSampleSpec{"two", Bytes{7, 7}}},
    };
    for (auto &c : cases) {
        ModSpec desc;
        Bytes next = noise(300, 77);
        desc.samples = {c.first, ModSampleSpec{"next", next}};
        LoadedFile m(write_mod(desc));
        ASSERT_TRUE(m.h) << c.what;
        EXPECT_EQ(m.stored(1), next) << c.what;
    }
    LoadedFile longOne(
        write_mod(ModSpec{"", "M.K.", 4, 1, {0}, {ModSampleSpec{"l", noise(70000, 9)}}, -1}));
    EXPECT_EQ(longOne.entry(0).length, 70000u);
}

TEST(ModLoader, AdpcmSamplesAreMarkedInTheirDataAndSkippedByTheirPackedSize)
{
    // Real files put "ADPCM" in front of the packed data; a name saying so means nothing.
    ModSpec desc;
    ModSampleSpec packed;
    packed.name = "drums";
    Bytes block = noise(16 + 500, 4);
    packed.data = Bytes{'A', 'D', 'P', 'C', 'M'};
    packed.data.insert(packed.data.end(), block.begin(), block.end());
    packed.lengthWords = 500; // 1000 decoded bytes
    Bytes named = ramp8(64, 5), next = ramp8(80, 7);
    desc.samples = {packed, ModSampleSpec{"ADPCM by name", named}, ModSampleSpec{"next", next}};
    LoadedFile m(write_mod(desc));
    ASSERT_TRUE(m.h);
    EXPECT_EQ(m.entry(0).encoding, 3);
    EXPECT_EQ(m.entry(0).length, 1000u);
    EXPECT_EQ(m.entry(0).info.byteLength, 1000u);
    Bytes head = m.stored(0); // the data starts after the mark
    ASSERT_GE(head.size(), block.size());
    EXPECT_EQ(Bytes(head.begin(), head.begin() + (long)block.size()), block);
    EXPECT_EQ(m.entry(1).encoding, 0);
    EXPECT_EQ(m.stored(1), named);
    EXPECT_EQ(m.stored(2), next);
}

TEST(ModLoader, Flt8OrdersCountHalfPatterns)
{
    ModSpec desc;
    desc.tag = "FLT8";
    desc.channels = 8;
    desc.orders = {0, 2, 4, 2}; // three 8-channel patterns of 2048 bytes
    Bytes first = noise(600, 3), last = ramp8(90);
    desc.samples = {ModSampleSpec{"a", first}, ModSampleSpec{"b", last}};
    Bytes file = write_mod(desc);
    ASSERT_EQ(file.size(), 1084u + 3 * 2048 + 690);
    LoadedFile m(file);
    ASSERT_TRUE(m.h);
    EXPECT_EQ(m.stored(0), first);
    EXPECT_EQ(m.stored(1), last);
}

TEST(ModLoader, SlotsWhollyOutsideTheFileAreEmpty)
{
    ModSpec desc;
    Bytes whole = ramp8(400);
    desc.samples = {ModSampleSpec{"whole", whole}, ModSampleSpec{"cut", ramp8(1000, 1)},
                    ModSampleSpec{"gone", ramp8(500, 2)}};
    Bytes file = write_mod(desc);
    file.resize(file.size() - 500 - 300); // "gone" is not there, "cut" lost 300 bytes
    LoadedFile m(file);
    ASSERT_TRUE(m.h);
    EXPECT_EQ(m.entry(0).length, 400u);
    EXPECT_EQ(m.entry(1).length, 1000u); // a cut sample keeps its length
    EXPECT_EQ(m.entry(2).length, 0u);
    EXPECT_EQ(VIRN_GetNumberOfSamples(m.h, 1), 2);
}

TEST(ModLoader, RefusesWhatIsNotAMod)
{
    ModSpec desc;
    desc.samples = {ModSampleSpec{"a", ramp8(10)}};
    Bytes file = write_mod(desc);
    Bytes shortFile(file.begin(), file.begin() + 1083);
    EXPECT_EQ(VIRN_LoadModule(shortFile.data(), (uint32_t)shortFile.size()), 0u);
    EXPECT_EQ(VIRN_LoadModule(file.data(), 0), 0u);
    Bytes zeros(5000, 0);
    EXPECT_EQ(VIRN_LoadModule(zeros.data(), (uint32_t)zeros.size()), 0u);
}
