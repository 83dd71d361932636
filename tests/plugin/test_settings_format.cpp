// Quorvel.cfg: the 15-byte block, the command line behind it, and the flags the
// configuration dialog composes from its choices. Records are compared whole, as a line.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

#include "settings_format.h"

typedef std::vector<uint8_t> Bytes;

namespace
{

Bytes file_bytes(const Settings &s)
{
    uint8_t out[SETTINGS_FILE_MAX];
    size_t n = settings_to_bytes(&s, out);
    return Bytes(out, out + n);
}

std::string text(const Settings &s)
{
    char line[400];
    snprintf(line, sizeof line, "flags %x, %u Hz, %u bits, device %x, %u channels, own %u [%s]",
             s.musicFlags, s.frequency, s.bits, s.deviceFlags, s.channels, s.libraryOutput,
             s.commandLine);
    return line;
}

Settings defaults()
{
    Settings s;
    settings_defaults(&s);
    return s;
}

TEST(SettingsFile, EveryFieldAtItsOffsetAndBack)
{
    EXPECT_EQ((Bytes{0x00, 0x20, 0x20, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,
                     0x02, 0x00}),
              file_bytes(defaults()));
    // A byte 2 in the library-output field still means "on" and is written back as 1.
    Bytes b = {0x62, 0x64, 0, 0, 0x22, 0x56, 0, 0, 8, 1, 2, 3, 4, 1, 2, 'p', 'l', 'g'};
    Settings s;
    settings_from_bytes(b.data(), b.size(), &s);
    EXPECT_EQ("flags 6462, 22050 Hz, 8 bits, device 4030201, 1 channels, own 1 [plg]", text(s));
    b[14] = 1;
    EXPECT_EQ(b, file_bytes(s));
}

TEST(ConfigDialog, ClosingComposesTheFlags)
{
    // Frequency, 8 bit, mono, ramping, MOD playback, surround, no interpolation, library
    // output; the settings before; what closing makes of them, and the pending output.
    const struct {
        DialogChoices choices;
        Settings before; // flags, rate, bits, device flags, channels, own output, command
        const char *after;
    } cases[] = {
        // 8 bit without library output keeps the bits and drops device flag 1 (and from 16
        // bits in win_config_dialog.cpp).
        {{FREQ_44100, 1, 0, RAMP_NONE, MOD_NORMAL, SURROUND_NONE, false, false, ""},
         {0x202000, 44100, 8, 1, 2, 0, ""},
         "flags 202000, 44100 Hz, 8 bits, device 0, 2 channels, own 0 [] 0"},
        // Surround counts only with library output.
        {{FREQ_48000, 0, 0, RAMP_FT2, MOD_FT2, SURROUND_1, false, false, ""},
         {0x202000, 11025, 8, 0, 1, 0, ""},
         "flags 202011, 48000 Hz, 16 bits, device 0, 2 channels, own 0 [] 0"},
        {{FREQ_11025, 0, 0, RAMP_FT2, MOD_FT2, SURROUND_1, false, true, ""},
         {0x202000, 44100, 16, 0, 2, 0, ""},
         "flags 2211, 11025 Hz, 16 bits, device 0, 2 channels, own 0 [] 1"},
        // No frequency checked keeps an odd rate.
        {{-1, 0, 1, RAMP_NONE, MOD_NORMAL, SURROUND_NONE, true, false, ""},
         {0x202000, 32000, 16, 0, 2, 0, ""},
         "flags 206040, 32000 Hz, 16 bits, device 0, 1 channels, own 0 [] 0"},
    };
    for (const auto &c : cases) {
        Settings s = c.before;
        uint32_t pending = 7;
        apply_choices(&c.choices, &s, &pending);
        EXPECT_EQ(c.after, text(s) + " " + std::to_string(pending));
    }
}

TEST(ConfigDialog, OpeningShowsTheFirstFlagOfEachGroup)
{
    const struct {
        uint32_t flags;
        const char *shown;
    } cases[] = {
        {0x202000, "surround 2 ramp 2 mod 2 plain 0"},
        // 0x6462 shows its every control in win_config_dialog.cpp.
        {0x603 | 0x30, "surround 0 ramp 0 mod 1 plain 0"}, // both bits: the first test wins
    };
    for (const auto &c : cases) {
        Settings s = defaults();
        s.musicFlags = c.flags;
        DialogChoices d;
        choices_from_settings(&s, false, &d);
        char shown[100];
        snprintf(shown, sizeof shown, "surround %d ramp %d mod %d plain %d", d.surround, d.ramping,
                 d.modPlayback, d.nonInterpolated);
        EXPECT_STREQ(c.shown, shown) << std::hex << c.flags;
    }
    // 22050 and 44100 Hz show in win_config_dialog.cpp; no choice shows for any other rate.
    EXPECT_EQ(FREQ_11025, frequency_choice(11025));
    EXPECT_EQ(FREQ_48000, frequency_choice(48000));
    EXPECT_EQ(-1, frequency_choice(8000));
}

// What a song is played with: the library's flags decide the sound, so the width and
// channel count handed to the host follow them, and the decode flag follows the path.
TEST(SongFormat, TheFlagsDecideWhatTheHostIsTold)
{
    const struct {
        const char *what;
        uint32_t musicFlags, deviceFlags;
        uint8_t bits, channels;
        bool libraryOutput;
        const char *format;
    } cases[] = {
        {"defaults", 0x202000, 0, 16, 2, false,
         "device -2, load 202000, init 0, 22050 Hz, 16 bits, 2 channels"},
        {"library output: no decode flag, own device", 0x2040, 0x1, 8, 1, true,
         "device -1, load 2040, init 201, 22050 Hz, 8 bits, 1 channels"},
        {"8 bits kept from library output, host output renders 16", 0x202000, 0, 8, 2, false,
         "device -2, load 202000, init 0, 22050 Hz, 16 bits, 2 channels"},
        {"the dialog switched to library output during a song: decode until Stop", 0x2000, 0, 16, 2,
         false, "device -2, load 202000, init 0, 22050 Hz, 16 bits, 2 channels"},
        {"and back", 0x202040, 0, 16, 1, true,
         "device -1, load 2040, init 200, 22050 Hz, 16 bits, 1 channels"},
    };
    for (const auto &c : cases) {
        Settings s = defaults();
        s.musicFlags = c.musicFlags;
        s.deviceFlags = c.deviceFlags;
        s.bits = c.bits;
        s.channels = c.channels;
        s.frequency = 22050;
        SongFormat f;
        song_format(&s, c.libraryOutput, &f);
        char format[100];
        snprintf(format, sizeof format, "device %d, load %x, init %x, %u Hz, %d bits, %d channels",
                 f.device, f.musicFlags, f.deviceFlags, f.frequency, f.bits, f.channels);
        EXPECT_STREQ(c.format, format) << c.what;
    }
}

} // namespace
