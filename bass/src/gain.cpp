#include "gain.h"

int clamp_volume(int volume)
{
    return volume < 0 ? 0 : volume > VOLUME_FULL ? VOLUME_FULL : volume;
}

int clamp_pan(int pan)
{
    return pan < -PAN_EXTREME ? -PAN_EXTREME : pan > PAN_EXTREME ? PAN_EXTREME : pan;
}

// v x volume x panFactor / (VOLUME_FULL x PAN_EXTREME), truncated toward zero.
static int32_t scale(int32_t v, int64_t numerator)
{
    return (int32_t)(v * numerator / ((int64_t)VOLUME_FULL * PAN_EXTREME));
}

void apply_gain(uint8_t *pcm, uint32_t bytes, bool eightBit, bool mono, int volume, int pan)
{
    volume = clamp_volume(volume);
    pan = mono ? 0 : clamp_pan(pan);
    if (volume == VOLUME_FULL && pan == 0)
        return;
    int64_t left = (int64_t)volume * (pan > 0 ? PAN_EXTREME - pan : PAN_EXTREME);
    int64_t right = (int64_t)volume * (pan < 0 ? PAN_EXTREME + pan : PAN_EXTREME);
    uint32_t width = eightBit ? 1 : 2;
    uint32_t count = bytes / width;
    for (uint32_t i = 0; i < count; i++) {
        int64_t factor = (mono || i % 2 == 0) ? left : right;
        if (eightBit) {
            pcm[i] = (uint8_t)(scale((int32_t)pcm[i] - 128, factor) + 128);
        } else {
            uint8_t *p = pcm + 2 * i;
            int32_t v = scale((int16_t)(p[0] | (p[1] << 8)), factor);
            p[0] = (uint8_t)(v & 0xFF);
            p[1] = (uint8_t)((v >> 8) & 0xFF);
        }
    }
}
