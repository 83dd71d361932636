// bass.dll's sound against the reference renderings made natively by the distribution's
// build of the same renderer (tests/bass/native_reference.cpp). The library is compiled
// for SSE arithmetic and draws its random numbers from a copy of the reference C
// library's generator, so every case must agree byte for byte; a case that does not
// reports where it first differs. Each case also checks the length the library announces.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "reference_cases.h"
#include "win_helpers.h"

namespace
{

TEST(NativeReference, SoundAgreesWithTheReferenceRenderer)
{
    const char *dir = getenv("BASS_NATIVE_REFERENCE");
    ASSERT_NE(dir, nullptr) << "BASS_NATIVE_REFERENCE is not set";
    for (size_t i = 0; i < reference_case_count; i++) {
        const ReferenceCase &c = reference_cases[i];
        std::string path = std::string(dir) + "/" + c.name + ".pcm";
        Bytes reference = read_file(path);
        ASSERT_FALSE(reference.empty())
            << "missing " << path << ": the native test run (bass_native_reference) makes it";
        DWORD flags = BASS_MUSIC_DECODE | (c.mono ? BASS_MUSIC_MONO : 0) |
                      (c.nearest ? BASS_MUSIC_NONINTER : 0) |
                      (c.player == 8   ? BASS_MUSIC_FT2MOD
                       : c.player == 3 ? BASS_MUSIC_PT1MOD
                                       : 0);
        DWORD music =
            load_song(playable_song(c.song), flags, c.rate, c.eightBit ? BASS_DEVICE_8BITS : 0);
        ASSERT_NE(music, 0u) << c.name;
        // The announced length is what plays, pulled in the plug-in's blocks, also for the
        // songs whose loops, jumps and breaks make the renderer's own estimate miss.
        QWORD length = BASS_MusicGetLength(music, TRUE);
        EXPECT_EQ(BASS_ChannelGetData(music, nullptr, 0), length) << c.name;
        Bytes sound = pull_all(music, 576 * 4);
        EXPECT_EQ(sound.size(), length) << c.name;
        int frame = (c.eightBit ? 1 : 2) * (c.mono ? 1 : 2);
        EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(music, length),
                        (float)((double)length / c.rate / frame));
        EXPECT_EQ(sound.size(), reference.size()) << c.name;
        size_t n = std::min(sound.size(), reference.size());
        size_t first = std::mismatch(sound.begin(), sound.begin() + n, reference.begin()).first -
                       sound.begin();
        EXPECT_EQ(n, first) << c.name << ": differs from the reference from byte " << first
                            << " of " << reference.size();
    }
}

} // namespace
