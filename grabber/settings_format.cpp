#include "settings_format.h"

#include <string.h>

void settings_defaults(SoundSettings *s)
{
    s->outputDevice = WAVE_MAPPER_DEVICE;
    s->outputVolume = DEFAULT_OUTPUT_VOLUME;
}

static uint32_t le32_prefix(const uint8_t *p, size_t count)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < count; i++)
        v |= (uint32_t)p[i] << (8 * i);
    return v;
}

void settings_from_bytes(const uint8_t *bytes, size_t count, SoundSettings *s)
{
    s->outputDevice = le32_prefix(bytes, count);
    s->outputVolume = count > 4 ? le32_prefix(bytes + 4, count - 4) : 0;
}

void settings_to_bytes(const SoundSettings *s, uint8_t out[SETTINGS_FILE_SIZE])
{
    for (int i = 0; i < 4; i++) {
        out[i] = (uint8_t)(s->outputDevice >> (8 * i));
        out[4 + i] = (uint8_t)(s->outputVolume >> (8 * i));
    }
}

bool device_is_waveout(uint32_t device)
{
    return (device >> 16) == 0xFFFF;
}

static int clamp_position(int p)
{
    return p < 0 ? 0 : p > VOLUME_POSITION_MAX ? VOLUME_POSITION_MAX : p;
}

uint32_t volume_from_position(uint32_t device, int position)
{
    int p = clamp_position(position);
    if (device_is_waveout(device))
        return (uint32_t)(VOLUME_POSITION_MAX - p) * 600;
    return (uint32_t)(-(p * 100));
}

int position_from_volume(uint32_t device, uint32_t volume)
{
    if (device_is_waveout(device)) {
        if (volume >= WAVEOUT_VOLUME_MAX)
            return 0;
        return VOLUME_POSITION_MAX - (int)(volume / 600);
    }
    // A DirectSound volume is an attenuation: 0 is full, -10000 silent. A positive value
    // (a waveOut level kept from another device) is louder than full: the top.
    int32_t attenuation = (int32_t)volume;
    if (attenuation >= 0)
        return 0;
    if (attenuation <= DSOUND_VOLUME_MIN)
        return VOLUME_POSITION_MAX;
    return -attenuation / 100;
}
