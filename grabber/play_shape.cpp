#include "play_shape.h"
#include "settings_format.h"

#include <string.h>

static uint32_t whole_frames(uint32_t bytes, uint32_t frameSize)
{
    return bytes - bytes % frameSize;
}

// The loop as it can be played, or false when the request must play once instead.
static bool fit_loop(const CatalogEntry *e, bool dsound, PlayShape *s)
{
    uint32_t start = whole_frames(e->info.loopStart, s->blockAlign);
    uint32_t end = e->info.loopEnd;
    if (end > s->total) // the PCM ends before the loop does
        return false;
    end = whole_frames(end, s->blockAlign);
    if (start >= end)
        return false;
    bool pingPong = (e->loopType & 2) != 0;
    uint64_t loop = (uint64_t)(end - start) << (pingPong ? 1 : 0);
    if ((uint64_t)start + loop > 0xFFFFFFFFu)
        return false;
    // DirectSound streams the intro through two halves of a buffer the size of the loop.
    if (dsound && (loop < 2u * s->blockAlign || loop < DSOUND_MIN_BUFFER))
        return false;
    s->looped = true;
    s->pingPong = pingPong;
    s->intro = start;
    s->loop = (uint32_t)loop;
    s->total = start + (uint32_t)loop;
    return true;
}

PlayVerdict shape_play(const CatalogEntry *e, uint32_t pcmBytes, bool looped, bool dsound,
                       PlayShape *s)
{
    memset(s, 0, sizeof *s);
    // The library decodes to 8 or 16 bits, one or two channels; the copy keeps its values.
    s->channels = e->channels == 2 ? 2 : 1;
    s->bits = e->bits == 16 ? 16 : 8;
    s->blockAlign = (uint16_t)(s->bits / 8 * s->channels);
    s->rate = e->rate;
    uint64_t byteRate = (uint64_t)s->blockAlign * e->rate;
    s->byteRate = byteRate > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)byteRate;
    s->total = whole_frames(pcmBytes, s->blockAlign);
    if (s->total == 0)
        return PLAY_EMPTY;
    if (e->rate == 0)
        return PLAY_NO_RATE;
    if (looped)
        fit_loop(e, dsound, s);
    return PLAY_GO;
}

void reverse_frames(uint8_t *buffer, uint32_t start, uint32_t length, uint32_t frameSize)
{
    uint8_t *lo = buffer + start;
    uint8_t *hi = buffer + start + whole_frames(length, frameSize) - frameSize;
    for (; lo < hi; lo += frameSize, hi -= frameSize) {
        for (uint32_t i = 0; i < frameSize; i++) {
            uint8_t t = lo[i];
            lo[i] = hi[i];
            hi[i] = t;
        }
    }
}

void build_ping_pong(const PlayShape *s, const uint8_t *pcm, uint8_t *out)
{
    uint32_t forward = s->loop / 2;
    memcpy(out, pcm, s->intro + forward);
    memcpy(out + s->intro + forward, pcm + s->intro, forward);
    reverse_frames(out, s->intro + forward, forward, s->blockAlign);
}

uint32_t waveout_level(uint32_t device, uint32_t volume)
{
    if (volume <= 0xFFFF)
        return volume;
    return volume_from_position(device, position_from_volume(0, volume));
}

int32_t dsound_attenuation(uint32_t device, uint32_t volume)
{
    int32_t attenuation = (int32_t)volume;
    if (attenuation > 0)
        return (int32_t)volume_from_position(device,
                                             position_from_volume(WAVE_MAPPER_DEVICE, volume));
    return attenuation < DSOUND_VOLUME_MIN ? DSOUND_VOLUME_MIN : attenuation;
}
