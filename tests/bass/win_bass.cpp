// bass.dll as the plug-in uses it, under Wine: loading from memory without a length,
// pulling sound to the end, the song's length, seeking, the music flags and attributes,
// and the same sound every time whatever the host does.
#include <gtest/gtest.h>

#include <map>
#include <stdlib.h>
#include <string.h>

#include "gain.h"
#include "module_size.h"
#include "reference_cases.h"
#include "win_files.h"
#include "win_helpers.h"
#include "zip_writer.h"

namespace
{

const DWORD DECODE = BASS_MUSIC_DECODE | 0x2000; // what the plug-in always passes

struct Library : ::testing::Test {
    void TearDown() override
    {
        BASS_Free();
    }
};

// The first `bytes` of a song's sound.
Bytes opening(DWORD music, DWORD bytes)
{
    Bytes b(bytes);
    DWORD n = BASS_ChannelGetData(music, b.data(), bytes);
    b.resize(n == (DWORD)-1 ? 0 : n);
    return b;
}

// What a load gave: refused, or the name, length and the CRC of the first second of
// sound. The song is freed.
std::string describe(DWORD music)
{
    if (!music)
        return "refused";
    std::string d = BASS_MusicGetName(music) + std::string("|") +
                    std::to_string(BASS_MusicGetLength(music, TRUE)) + "|" +
                    std::to_string(zip_crc32(opening(music, 44100 * 4)));
    BASS_MusicFree(music);
    return d;
}

// Without a length the library finds the module's size itself. Loaded from page memory
// as the plug-in holds files, every fixture must load (or be refused) as the reference
// renderer does with its exact bytes, and exactly as when its true length is given: the
// same name, length and sound. Files cut short of what their headers claim are measured
// to the claim (the zero-filled page supplies the rest), so they may differ.
TEST_F(Library, EveryFixtureLoadsWithoutItsLengthAsWithIt)
{
    // Which fixtures the reference renderer loads from their exact bytes.
    std::map<std::string, bool> native;
    const char *dir = getenv("BASS_NATIVE_REFERENCE");
    for (const std::string &line : lines_of(std::string(dir ? dir : ".") + "/fixtures.txt"))
        native[line.substr(0, line.find(' '))] = line.substr(line.find(' ') + 1) == "loads";
    ASSERT_FALSE(native.empty()) << "no fixtures.txt: the native test run makes it";
    std::map<std::string, int> loadedPerFormat;
    for (const Fixture &f : all_module_fixtures()) {
        Bytes padded = f.bytes;
        padded.resize(f.bytes.size() + 0x100000, 0);
        ModuleExtent claimed = module_extent(padded.data(), padded.size());
        if (claimed.kind != KindOther && claimed.size > f.bytes.size())
            continue; // cut short
        std::string without = describe(load_song(f.bytes, DECODE));
        start_library(BASS_DEVICE_NONE, 44100, 0);
        Bytes copy = f.bytes;
        EXPECT_EQ(without,
                  describe(BASS_MusicLoad(TRUE, copy.data(), 0, (DWORD)copy.size(), DECODE)))
            << f.name;
        ASSERT_EQ(native.count(f.name), 1u) << f.name;
        EXPECT_EQ(without != "refused", native[f.name]) << f.name;
        if (without != "refused")
            loadedPerFormat[f.name.substr(0, f.name.find('_'))]++;
    }
    // The renderer refuses the fixtures of the other formats (PTM, PSM and DBM without
    // patterns, UMX without the package tables it reads), here as natively.
    for (const char *format : {"mod", "s3m", "xm", "it", "stm", "mtm", "ult"})
        EXPECT_GT(loadedPerFormat[format], 0) << "no " << format << " fixture loads";
}

TEST_F(Library, RefusalsAndTheirCodes)
{
    Bytes module = playable_song("mod_flow");
    BASS_Free();
    EXPECT_EQ(BASS_MusicLoad(TRUE, module.data(), 0, 0, DECODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(load_song(noise(5000, 9), DECODE), 0u); // not a module
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    char buffer[16];
    EXPECT_EQ(BASS_ChannelGetData(12345, buffer, 16), (DWORD)-1);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    DWORD music = load_song(module, DECODE);
    BASS_MusicFree(music);
    EXPECT_EQ(BASS_MusicGetName(music), nullptr); // a freed handle stays dead
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    // Lengths with the analysis bits set (a spectrum: 0x80000000) are not byte counts.
    music = load_song(module, DECODE);
    EXPECT_EQ(BASS_ChannelGetData(music, buffer, 0x80000000), (DWORD)-1);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

// Seconds-based positions (low 16 bits, the others all 1) and byte positions, forward,
// backward and past the end: afterwards the sound is what plays from there, in whole
// frames, and what is left to play is counted from there.
TEST_F(Library, SeekingRendersToTheRequestedTime)
{
    Bytes module = playable_song("it_random");
    DWORD music = load_song(module, DECODE);
    Bytes all = pull_all(music);
    const size_t second = 44100 * 4;
    struct Jump {
        QWORD pos;
        size_t expectAt;
    } jumps[] = {{BASS_POS_SECONDS(3), 3 * second},
                 {BASS_POS_SECONDS(1), second},
                 {BASS_POS_SECONDS(6), 6 * second},
                 {12346, 12344},
                 {0, 0}};
    for (const Jump &j : jumps) {
        ASSERT_TRUE(BASS_ChannelSetPosition(music, j.pos));
        Bytes after = opening(music, 20001);
        ASSERT_EQ(after.size(), 20000u); // whole frames only
        EXPECT_EQ(BASS_ChannelGetData(music, nullptr, 0), all.size() - j.expectAt - 20000);
        EXPECT_TRUE(memcmp(after.data(), all.data() + j.expectAt, 20000) == 0)
            << "position " << j.expectAt;
    }
    EXPECT_TRUE(BASS_ChannelSetPosition(music, BASS_POS_SECONDS(600)));
    EXPECT_EQ(BASS_ChannelGetData(music, all.data(), 4), (DWORD)-1);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
    EXPECT_TRUE(BASS_ChannelSetPosition(music, BASS_POS_SECONDS(0))); // and back again
    EXPECT_EQ(opening(music, 4000), Bytes(all.begin(), all.begin() + 4000));
}

// The ramping and surround choices are accepted and change nothing. (Mono, 8-bit and
// nearest-neighbour sound is compared with the reference renderer in win_compare.cpp; the
// name and length of a load without samples, in the plug-in's file information test.)
TEST_F(Library, RampingAndSurroundChangeNothing)
{
    Bytes module = playable_song("mod_flow");
    Bytes sound = pull_all(load_song(module, DECODE));
    EXPECT_TRUE(pull_all(load_song(module, DECODE | 0x1 | 0x400)) == sound);
}

TEST_F(Library, VolumeAndPanScaleTheSound)
{
    Bytes module = playable_song("s3m_flow");
    Bytes full = pull_all(load_song(module, DECODE));
    DWORD music = load_song(module, DECODE);
    ASSERT_TRUE(BASS_ChannelSetAttributes(music, -1, 600, 40));
    Bytes scaled = pull_all(music);
    Bytes expected = full;
    apply_gain(expected.data(), (uint32_t)expected.size(), false, false, 600, 40);
    EXPECT_TRUE(scaled == expected);
    EXPECT_FALSE(scaled == full);
    // -1 leaves a value as it was.
    ASSERT_TRUE(BASS_ChannelSetPosition(music, 0));
    ASSERT_TRUE(BASS_ChannelSetAttributes(music, -1, -1, -1));
    EXPECT_TRUE(pull_all(music) == expected);
}

// Songs with random variation sound the same on every run, whatever the host draws from
// its own generator meanwhile, and a second song loaded alongside draws from its own
// sequence.
TEST_F(Library, SameSoundWhateverTheHostDoes)
{
    Bytes module = playable_song("it_random");
    Bytes first = pull_all(load_song(module, DECODE));
    srand(4242);
    DWORD one = load_song(module, DECODE);
    Bytes copy = module;
    DWORD two = BASS_MusicLoad(TRUE, copy.data(), 0, 0, DECODE);
    Bytes a, b;
    for (int i = 0; i < 200; i++) {
        rand();
        Bytes x = opening(one, 4608), y = opening(two, 4608);
        a.insert(a.end(), x.begin(), x.end());
        b.insert(b.end(), y.begin(), y.end());
    }
    EXPECT_TRUE(a == Bytes(first.begin(), first.begin() + a.size()));
    EXPECT_TRUE(b == a);
}

} // namespace
