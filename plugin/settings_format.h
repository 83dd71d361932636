// The plug-in's settings and their file, Quorvel.cfg: a 15-byte little-endian block
// without header, then the external program's command line without a terminating zero.
// The installer writes the same file. Portable: the layout, the defaults, the flag
// composition of the configuration dialog and the file's place are tested natively.
#ifndef PLUGIN_SETTINGS_FORMAT_H
#define PLUGIN_SETTINGS_FORMAT_H

#include <stddef.h>
#include <stdint.h>

enum {
    SETTINGS_BLOCK_SIZE = 15,
    COMMAND_LINE_MAX = 259, // characters, without the terminator
    SETTINGS_FILE_MAX = SETTINGS_BLOCK_SIZE + COMMAND_LINE_MAX
};

// Flags of the playback library's music load, as the dialog composes them.
enum : uint32_t {
    MUSIC_RAMP_FT2 = 0x1,
    MUSIC_RAMP_SENSITIVE = 0x2,
    MUSIC_MOD_FT2 = 0x10,
    MUSIC_MOD_PT1 = 0x20,
    MUSIC_MONO = 0x40,
    MUSIC_SURROUND_1 = 0x200,
    MUSIC_SURROUND_2 = 0x400,
    MUSIC_ALWAYS = 0x2000,
    MUSIC_NO_INTERPOLATION = 0x4000,
    MUSIC_RENDER_FOR_PLUGIN = 0x200000, // set whenever the library does not play by itself
    MUSIC_NO_SAMPLES = 0x400000,        // information queries: name and length only
    DEVICE_8BIT = 0x1,
    DEVICE_OWN_OUTPUT = 0x200 // added at Play when the library plays on its own device
};

static const char SettingsFileName[] = "Quorvel.cfg";

struct Settings {
    uint32_t musicFlags;
    uint32_t frequency;
    uint8_t bits;
    uint32_t deviceFlags;
    uint8_t channels;
    uint32_t libraryOutput; // 1: the library plays on its own device
    char commandLine[COMMAND_LINE_MAX + 1];
};

// The block as it lies in the file.
#pragma pack(push, 1)
struct SettingsBlock {
    uint32_t musicFlags;
    uint32_t frequency;
    uint8_t bits;
    uint32_t deviceFlags;
    uint8_t channels;
    uint8_t libraryOutput;
};
#pragma pack(pop)
static_assert(sizeof(SettingsBlock) == SETTINGS_BLOCK_SIZE, "settings block is 15 bytes");
static_assert(offsetof(SettingsBlock, deviceFlags) == 9, "device flags at 9");
static_assert(offsetof(SettingsBlock, channels) == 13, "channels at 13");
static_assert(offsetof(SettingsBlock, libraryOutput) == 14, "library output at 14");

void settings_defaults(Settings *s);

// A file shorter than the block gives the defaults. Otherwise the block's fields and the
// rest as command line, cut to COMMAND_LINE_MAX characters (and at a zero byte). Any
// non-zero library-output byte means on.
void settings_from_bytes(const uint8_t *bytes, size_t count, Settings *s);

// The file's bytes (out holds SETTINGS_FILE_MAX); returns how many.
size_t settings_to_bytes(const Settings *s, uint8_t *out);

// The configuration dialog's choices, one value per group of radio buttons (the index of
// the checked one, top to bottom, -1 when none is checked) and the check boxes.
enum { FREQ_11025, FREQ_22050, FREQ_44100, FREQ_48000 };
enum { RAMP_FT2, RAMP_SENSITIVE, RAMP_NONE };
enum { MOD_PT1, MOD_FT2, MOD_NORMAL };
enum { SURROUND_1, SURROUND_2, SURROUND_NONE };

struct DialogChoices {
    int frequency;
    int eightBit; // 1 "8 bit", 0 "16 bit", -1 neither
    int mono;     // 1 "Mono", 0 "Stereo", -1 neither
    int ramping;
    int modPlayback;
    int surround;
    bool nonInterpolated;
    bool libraryOutput;
    char commandLine[COMMAND_LINE_MAX + 1];
};

// What the dialog shows when it opens; libraryOutput is the value the box shows.
void choices_from_settings(const Settings *s, bool libraryOutput, DialogChoices *c);

// The dialog's values applied on closing: the music and device flags are composed anew;
// bits, channels and frequency change only where a choice says so ("8 bit" counts only
// when the library plays by itself). *pending receives the library-output choice.
void apply_choices(const DialogChoices *c, Settings *s, uint32_t *pending);

// Radio button index for a frequency, -1 for a rate the dialog does not offer.
int frequency_choice(uint32_t frequency);

// What one song is played with, fixed at Play: the dialog may change the settings while it
// plays. The sound the library renders is decided by its flags (device flag 0x1: 8-bit,
// music flag 0x40: mono), so the width and channel count the plug-in hands on are taken
// from the same flags; the bits and channels fields agree with them whenever the dialog
// wrote both, and where they do not (a file edited by hand, "8 bit" kept from library
// output), the flags win and the host is told what it really gets. Likewise the decode
// flag follows the output path of this song, not the dialog's pending choice.
struct SongFormat {
    int device; // -1: the library's own device; -2: none, the plug-in pulls the sound
    uint32_t frequency;
    uint32_t deviceFlags;
    uint32_t musicFlags;
    int bits;     // 8 or 16
    int channels; // 1 or 2
};

void song_format(const Settings *s, bool libraryOutput, SongFormat *f);

#endif
