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
#include "song_writer.h"
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

// Which fixtures the reference renderer loads from their exact bytes (fixtures.txt of
// the native reference run).
std::map<std::string, bool> native_verdicts()
{
    std::map<std::string, bool> verdicts;
    const char *dir = getenv("BASS_NATIVE_REFERENCE");
    for (const std::string &line : lines_of(std::string(dir ? dir : ".") + "/fixtures.txt")) {
        size_t blank = line.find(' ');
        verdicts[line.substr(0, blank)] = line.substr(blank + 1) == "loads";
    }
    return verdicts;
}

// Without a length the library finds the module's size itself. Loaded from page memory
// as the plug-in holds files, every fixture must load (or be refused) as the reference
// renderer does with its exact bytes, and exactly as when its true length is given: the
// same name, length and sound. Files cut short of what their headers claim are measured
// to the claim (the zero-filled page supplies the rest), so they may differ.
TEST_F(Library, EveryFixtureLoadsWithoutItsLengthAsWithIt)
{
    std::map<std::string, bool> native = native_verdicts();
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

// Memory after a module is not part of it: a heap block with other data behind the
// module plays exactly as the module alone.
TEST_F(Library, DataBehindTheModuleIsLeftOut)
{
    for (const Fixture &f : playable_songs()) {
        std::string alone = describe(load_song(f.bytes, DECODE));
        ASSERT_NE(alone, "refused") << f.name;
        start_library(BASS_DEVICE_NONE, 44100, 0);
        Bytes junk = f.bytes, tail = noise(70000, 5);
        junk.insert(junk.end(), tail.begin(), tail.end());
        EXPECT_EQ(describe(BASS_MusicLoad(TRUE, junk.data(), 0, 0, DECODE)), alone) << f.name;
    }
}

TEST_F(Library, RefusalsAndTheirCodes)
{
    Bytes module = playable_song("mod_flow");
    BASS_Free();
    EXPECT_EQ(BASS_MusicLoad(TRUE, module.data(), 0, 0, DECODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(load_song(noise(5000, 9), DECODE), 0u); // not a module
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_FALSE(BASS_Init(BASS_DEVICE_NONE, 44100, 0, nullptr)); // initialised already
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
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

TEST_F(Library, PullingInPieces)
{
    DWORD music = load_song(playable_song("xm_flow"), DECODE);
    QWORD length = BASS_MusicGetLength(music, TRUE);
    EXPECT_EQ(BASS_ChannelIsActive(music), (DWORD)BASS_ACTIVE_PLAYING);
    char block[1001];
    // Whole sample frames only: 1001 bytes give 1000 at 16-bit stereo.
    EXPECT_EQ(BASS_ChannelGetData(music, block, 1001), 1000u);
    EXPECT_EQ(BASS_ChannelGetData(music, nullptr, 0), length - 1000);
    EXPECT_EQ(BASS_MusicGetLength(music, FALSE), 4u); // without playlen: the orders
}

// Seconds-based positions (low 16 bits, the others all 1) and byte positions, forward,
// backward and past the end: afterwards the sound is what plays from there.
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
        Bytes after = opening(music, 20000);
        ASSERT_EQ(after.size(), 20000u);
        EXPECT_TRUE(memcmp(after.data(), all.data() + j.expectAt, 20000) == 0)
            << "position " << j.expectAt;
    }
    EXPECT_TRUE(BASS_ChannelSetPosition(music, BASS_POS_SECONDS(600)));
    EXPECT_EQ(BASS_ChannelGetData(music, all.data(), 4), (DWORD)-1);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
    EXPECT_TRUE(BASS_ChannelSetPosition(music, BASS_POS_SECONDS(0))); // and back again
    EXPECT_EQ(opening(music, 4000), Bytes(all.begin(), all.begin() + 4000));
}

TEST_F(Library, MusicFlags)
{
    Bytes module = playable_song("mod_flow");
    DWORD plain = load_song(module, DECODE);
    QWORD length = BASS_MusicGetLength(plain, TRUE);
    Bytes sound = pull_all(plain);

    // No sample data: the name and the length still come, the sound is silence.
    DWORD bare = load_song(module, DECODE | BASS_MUSIC_NOSAMPLE);
    EXPECT_STREQ(BASS_MusicGetName(bare), "mod flow");
    EXPECT_EQ(BASS_MusicGetLength(bare, TRUE), length);
    Bytes silence = pull_all(bare);
    EXPECT_EQ(silence, Bytes(silence.size(), 0));

    // Mono, 8-bit and nearest-neighbour sound is compared with the reference renderer
    // (win_compare.cpp). The ramping and surround choices are accepted and change nothing.
    DWORD ramped = load_song(module, DECODE | 0x1 | 0x400);
    EXPECT_TRUE(pull_all(ramped) == sound);
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

// Songs with random variation sound the same on every run, whatever the host draws
// from its own generator meanwhile (on this thread or another).
TEST_F(Library, SameSoundWhateverTheHostDoes)
{
    Bytes module = playable_song("it_random");
    Bytes first = pull_all(load_song(module, DECODE));
    srand(4242);
    DWORD music = load_song(module, DECODE);
    Bytes again, block(4608);
    for (;;) {
        for (int i = 0; i < 3; i++)
            rand();
        DWORD n = BASS_ChannelGetData(music, block.data(), (DWORD)block.size());
        if (n == (DWORD)-1)
            break;
        again.insert(again.end(), block.begin(), block.begin() + n);
    }
    EXPECT_TRUE(again == first);
    // A second song loaded alongside draws from its own sequence.
    DWORD one = load_song(module, DECODE);
    BASS_Start();
    Bytes copy = module;
    DWORD two = BASS_MusicLoad(TRUE, copy.data(), 0, 0, DECODE);
    Bytes a, b;
    for (int i = 0; i < 200; i++) {
        Bytes x = opening(one, 4608), y = opening(two, 4608);
        a.insert(a.end(), x.begin(), x.end());
        b.insert(b.end(), y.begin(), y.end());
    }
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a == Bytes(first.begin(), first.begin() + a.size()));
}

} // namespace
