// bass.dll's sound against the reference renderings made natively by the distribution's
// build of the same renderer (tests/bass/native_reference.cpp). The library is compiled
// for SSE arithmetic and draws its random numbers from a copy of the reference C
// library's generator, so the bytes agree; where a case does not agree byte for byte it
// must still correlate at REQUIRED_CORRELATION or better, and at most MAX_DIFFERING
// cases may differ at all.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "reference_cases.h"
#include "win_helpers.h"

namespace
{

const double REQUIRED_CORRELATION = 0.995;
const size_t MAX_DIFFERING = 0;

double correlation(const Bytes &a, const Bytes &b, bool eightBit)
{
    size_t n = (eightBit ? a.size() : a.size() / 2);
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (size_t i = 0; i < n; i++) {
        double x = eightBit ? a[i] - 128.0 : (int16_t)(a[2 * i] | (a[2 * i + 1] << 8));
        double y = eightBit ? b[i] - 128.0 : (int16_t)(b[2 * i] | (b[2 * i + 1] << 8));
        sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y;
    }
    double cov = sab - sa * sb / n, va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return va > 0 && vb > 0 ? cov / sqrt(va * vb) : (va == vb ? 1.0 : 0.0);
}

TEST(NativeReference, SoundAgreesWithTheReferenceRenderer)
{
    const char *dir = getenv("BASS_NATIVE_REFERENCE");
    ASSERT_NE(dir, nullptr) << "BASS_NATIVE_REFERENCE is not set";
    size_t identical = 0, differing = 0;
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
        Bytes sound = pull_all(music, 576 * 4);
        EXPECT_EQ(sound.size(), reference.size()) << c.name;
        if (sound == reference) {
            identical++;
            continue;
        }
        differing++;
        sound.resize(reference.size());
        double r = correlation(sound, reference, c.eightBit);
        printf("%s: differs from the reference, correlation %.6f\n", c.name, r);
        EXPECT_GE(r, REQUIRED_CORRELATION) << c.name;
    }
    printf("%zu of %zu cases byte-identical with the reference renderer\n", identical,
           reference_case_count);
    EXPECT_LE(differing, MAX_DIFFERING);
}

} // namespace
