// Quorvel.cfg: the 15-byte block, the command line behind it, and the flags the
// configuration dialog composes from its choices.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "settings_format.h"

typedef std::vector<uint8_t> Bytes;

static Bytes file_bytes(const Settings &s)
{
    uint8_t out[SETTINGS_FILE_MAX];
    size_t n = settings_to_bytes(&s, out);
    return Bytes(out, out + n);
}

static Bytes block(std::initializer_list<int> values, const std::string &commandLine = "")
{
    Bytes b;
    for (int v : values)
        b.push_back((uint8_t)v);
    b.insert(b.end(), commandLine.begin(), commandLine.end());
    return b;
}

TEST(SettingsFile, DefaultsWriteTheDocumentedBytes)
{
    Settings s;
    settings_defaults(&s);
    EXPECT_EQ(block({0x00, 0x20, 0x20, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,
                     0x02, 0x00}),
              file_bytes(s));
}

TEST(SettingsFile, ReadsEveryFieldAtItsOffset)
{
    Bytes b = block(
        {0x62, 0x64, 0x00, 0x00, 0x22, 0x56, 0x00, 0x00, 0x08, 0x01, 0x02, 0x03, 0x04, 0x01, 0x01},
        "plgin_other.dll");
    Settings s;
    settings_from_bytes(b.data(), b.size(), &s);
    EXPECT_EQ(0x6462u, s.musicFlags);
    EXPECT_EQ(22050u, s.frequency);
    EXPECT_EQ(8, s.bits);
    EXPECT_EQ(0x04030201u, s.deviceFlags);
    EXPECT_EQ(1, s.channels);
    EXPECT_EQ(1u, s.libraryOutput);
    EXPECT_STREQ("plgin_other.dll", s.commandLine);
    EXPECT_EQ(b, file_bytes(s)); // and back, byte for byte
}

// Short files, and a command line cut to 259 characters, are read through the Windows
// file calls in win_packed.cpp; here what only the bytes show.
TEST(SettingsFile, ShortAndLongFiles)
{
    Bytes full = block({1, 0, 0, 0, 0x11, 0x2B, 0, 0, 8, 1, 0, 0, 0, 1, 1});
    Settings s;
    memset(&s, 0x5A, sizeof s);
    settings_from_bytes(full.data(), 15, &s);
    EXPECT_STREQ("", s.commandLine); // 15 bytes: an empty command line
    // A byte 2 in the library-output field still means "on" and is written back as 1.
    full[14] = 2;
    full.insert(full.end(), 400, 'x');
    settings_from_bytes(full.data(), full.size(), &s);
    Bytes written = file_bytes(s);
    EXPECT_EQ(SETTINGS_FILE_MAX, (int)written.size());
    EXPECT_EQ(1, written[14]);
}

// Every choice of the dialog as the list of what is checked, and what closing makes of it.
struct Composition {
    const char *what;
    DialogChoices choices;
    Settings before;
    uint32_t musicFlags, deviceFlags, frequency;
    int bits, channels;
    uint32_t pending;
};

static DialogChoices choices(int freq, int eightBit, int mono, int ramp, int mod, int surround,
                             bool noInterp, bool library)
{
    DialogChoices c;
    memset(&c, 0, sizeof c);
    c.frequency = freq;
    c.eightBit = eightBit;
    c.mono = mono;
    c.ramping = ramp;
    c.modPlayback = mod;
    c.surround = surround;
    c.nonInterpolated = noInterp;
    c.libraryOutput = library;
    return c;
}

static Settings with(uint8_t bits, uint8_t channels, uint32_t deviceFlags, uint32_t frequency)
{
    Settings s;
    settings_defaults(&s);
    s.bits = bits;
    s.channels = channels;
    s.deviceFlags = deviceFlags;
    s.frequency = frequency;
    return s;
}

TEST(ConfigDialog, ClosingComposesTheFlags)
{
    const Composition cases[] = {
        {"every library-output choice",
         choices(FREQ_22050, 1, 1, RAMP_SENSITIVE, MOD_PT1, SURROUND_2, true, true),
         with(16, 2, 0, 44100), 0x6462, 0x1, 22050, 8, 1, 1},
        {"8 bit without library output keeps the bits and drops device flag 1",
         choices(FREQ_44100, 1, 0, RAMP_NONE, MOD_NORMAL, SURROUND_NONE, false, false),
         with(16, 2, 0x1, 44100), 0x202000, 0, 44100, 16, 2, 0},
        {"... also when the bits were 8",
         choices(FREQ_44100, 1, 0, RAMP_NONE, MOD_NORMAL, SURROUND_NONE, false, false),
         with(8, 2, 0x1, 44100), 0x202000, 0, 44100, 8, 2, 0},
        {"surround counts only with library output",
         choices(FREQ_48000, 0, 0, RAMP_FT2, MOD_FT2, SURROUND_1, false, false),
         with(8, 1, 0, 11025), 0x202011, 0, 48000, 16, 2, 0},
        {"surround mode 1 with library output",
         choices(FREQ_11025, 0, 0, RAMP_FT2, MOD_FT2, SURROUND_1, false, true),
         with(16, 2, 0, 44100), 0x2211, 0, 11025, 16, 2, 1},
        {"no frequency checked keeps an odd rate",
         choices(-1, 0, 1, RAMP_NONE, MOD_NORMAL, SURROUND_NONE, true, false),
         with(16, 2, 0, 32000), 0x206040, 0, 32000, 16, 1, 0},
    };
    for (const Composition &c : cases) {
        Settings s = c.before;
        uint32_t pending = 7;
        apply_choices(&c.choices, &s, &pending);
        EXPECT_EQ(c.musicFlags, s.musicFlags) << c.what;
        EXPECT_EQ(c.deviceFlags, s.deviceFlags) << c.what;
        EXPECT_EQ(c.frequency, s.frequency) << c.what;
        EXPECT_EQ(c.bits, s.bits) << c.what;
        EXPECT_EQ(c.channels, s.channels) << c.what;
        EXPECT_EQ(c.pending, pending) << c.what;
    }
}

TEST(ConfigDialog, OpeningShowsTheFirstFlagOfEachGroup)
{
    struct Case {
        uint32_t flags;
        int surround, ramping, mod;
        bool noInterp;
    } cases[] = {
        {0x202000, SURROUND_NONE, RAMP_NONE, MOD_NORMAL, false},
        {0x6462, SURROUND_2, RAMP_SENSITIVE, MOD_PT1, true},
        {0x603 | 0x30, SURROUND_1, RAMP_FT2, MOD_FT2, false}, // both bits: the first test wins
    };
    for (const Case &c : cases) {
        Settings s;
        settings_defaults(&s);
        s.musicFlags = c.flags;
        DialogChoices d;
        choices_from_settings(&s, false, &d);
        EXPECT_EQ(c.surround, d.surround) << std::hex << c.flags;
        EXPECT_EQ(c.ramping, d.ramping) << std::hex << c.flags;
        EXPECT_EQ(c.mod, d.modPlayback) << std::hex << c.flags;
        EXPECT_EQ(c.noInterp, d.nonInterpolated) << std::hex << c.flags;
    }
    const uint32_t rates[] = {11025, 22050, 44100, 48000, 8000};
    const int expected[] = {FREQ_11025, FREQ_22050, FREQ_44100, FREQ_48000, -1};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(expected[i], frequency_choice(rates[i]));
}

// What a song is played with: the library's flags decide the sound, so the width and
// channel count handed to the host follow them, and the decode flag follows the path.
TEST(SongFormat, TheFlagsDecideWhatTheHostIsTold)
{
    struct Case {
        const char *what;
        uint32_t musicFlags, deviceFlags;
        uint8_t bits, channels;
        bool libraryOutput;
        int device;
        uint32_t loadFlags, initFlags;
        int outBits, outChannels;
    } cases[] = {
        {"defaults", 0x202000, 0, 16, 2, false, -2, 0x202000, 0, 16, 2},
        {"library output: no decode flag, own device", 0x2040, 0x1, 8, 1, true, -1, 0x2040, 0x201,
         8, 1},
        {"8 bits kept from library output, host output renders 16", 0x202000, 0, 8, 2, false, -2,
         0x202000, 0, 16, 2},
        {"the dialog switched to library output during a song: decode until Stop", 0x2000, 0, 16, 2,
         false, -2, 0x202000, 0, 16, 2},
        {"and back", 0x202040, 0, 16, 1, true, -1, 0x2040, 0x200, 16, 1},
    };
    for (const Case &c : cases) {
        Settings s;
        settings_defaults(&s);
        s.musicFlags = c.musicFlags;
        s.deviceFlags = c.deviceFlags;
        s.bits = c.bits;
        s.channels = c.channels;
        s.frequency = 22050;
        SongFormat f;
        song_format(&s, c.libraryOutput, &f);
        EXPECT_EQ(c.device, f.device) << c.what;
        EXPECT_EQ(c.loadFlags, f.musicFlags) << c.what;
        EXPECT_EQ(c.initFlags, f.deviceFlags) << c.what;
        EXPECT_EQ(c.outBits, f.bits) << c.what;
        EXPECT_EQ(c.outChannels, f.channels) << c.what;
        EXPECT_EQ(22050u, f.frequency) << c.what;
    }
}
