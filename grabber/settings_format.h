// The grabber's sound settings and their file, curset.set: 8 bytes, little-endian, no
// header (output device, then volume). Portable: the layout, the volume scale of the
// preferences dialog and where the file lives are tested natively.
#ifndef GRABBER_SETTINGS_FORMAT_H
#define GRABBER_SETTINGS_FORMAT_H

#include <stddef.h>
#include <stdint.h>

enum {
    SETTINGS_FILE_SIZE = 8,
    DEFAULT_OUTPUT_VOLUME = 48000,
    WAVEOUT_VOLUME_MAX = 60000, // the level of trackbar position 0 on waveOut
    DSOUND_VOLUME_MIN = -10000, // hundredths of a decibel at position 100 on DirectSound
    VOLUME_POSITION_MAX = 100   // trackbar range is 0 (loudest) .. 100
};

// The wave mapper; 0xFFFF0000 + n is waveOut device n; anything else is DirectSound
// (0 the primary device).
#define WAVE_MAPPER_DEVICE 0xFFFFFFFFu
#define WAVEOUT_DEVICE_BASE 0xFFFF0000u

static const char SettingsFileName[] = "curset.set";

struct SoundSettings {
    uint32_t outputDevice;
    uint32_t outputVolume; // waveOut level 0..60000, or signed DirectSound attenuation
};

void settings_defaults(SoundSettings *s);

// Takes the fields the bytes hold; a short file leaves the rest of each field 0, as
// reading into a zeroed record does (an empty file gives device 0 and volume 0).
void settings_from_bytes(const uint8_t *bytes, size_t count, SoundSettings *s);
void settings_to_bytes(const SoundSettings *s, uint8_t out[SETTINGS_FILE_SIZE]);

bool device_is_waveout(uint32_t device);

// Trackbar position (0 loudest .. 100) to the volume of the device's kind, and back.
// Volumes outside the kind's scale land at the nearest end of the trackbar.
uint32_t volume_from_position(uint32_t device, int position);
int position_from_volume(uint32_t device, uint32_t volume);

#endif
