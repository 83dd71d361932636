#include "wav_image.h"

#include <string.h>

static const char SoftwareMark[] = ".:Virn:."; // ISFT text, 9 bytes with its zero

struct LoopRecord {
    uint8_t kind;
    uint32_t start, end; // byte offsets into the PCM
};

static uint8_t *put32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
    return p + 4;
}

static uint8_t *put16(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    return p + 2;
}

static uint8_t *put_tag(uint8_t *p, const char *tag)
{
    memcpy(p, tag, 4);
    return p + 4;
}

// No loop and no sustain loop: none. A format without sustain loops: the loop alone.
// Otherwise the sustain loop (even of kind 0) and then the loop.
static int loop_records(const CatalogEntry *e, LoopRecord records[2])
{
    const SampleInfo &info = e->info;
    if (e->loopType == 0 && e->sustainType == 0)
        return 0;
    if (e->sustainType == VIRN_LOOP_NOT_IN_FORMAT) {
        records[0] = {e->loopType, info.loopStart, info.loopEnd};
        return 1;
    }
    records[0] = {e->sustainType, info.sustainStart, info.sustainEnd};
    records[1] = {e->loopType, info.loopStart, info.loopEnd};
    return 2;
}

uint32_t wav_image_size(const CatalogEntry *entry)
{
    LoopRecord records[2];
    uint32_t n = entry->info.byteLength;
    return n + (n & 1) + 186 + 24 * (uint32_t)loop_records(entry, records);
}

// Writes everything but the PCM itself, which the caller has put at buffer + 44.
static uint32_t finish_image(const CatalogEntry *e, uint8_t *buffer)
{
    const uint32_t n = e->info.byteLength;
    const uint32_t channels = (e->encoding & VIRN_ENC_STEREO) ? 2 : 1;
    const uint32_t bits = (e->encoding & VIRN_ENC_16BIT) ? 16 : 8;
    const uint32_t shift = (channels == 2 ? 1 : 0) + (bits == 16 ? 1 : 0);
    const uint32_t blockAlign = bits * channels / 8;
    LoopRecord records[2];
    const int count = loop_records(e, records);
    const uint32_t size = wav_image_size(e);

    uint8_t *p = buffer;
    p = put_tag(p, "RIFF");
    p = put32(p, size - 8);
    p = put_tag(p, "WAVE");
    p = put_tag(p, "fmt ");
    p = put32(p, 16);
    p = put16(p, 1); // PCM
    p = put16(p, channels);
    p = put32(p, e->rate);
    p = put32(p, e->rate * blockAlign);
    p = put16(p, blockAlign);
    p = put16(p, bits);
    p = put_tag(p, "data");
    p = put32(p, n);
    p += n;
    if (n & 1)
        *p++ = 0;

    p = put_tag(p, "smpl");
    p = put32(p, 36 + 24 * (uint32_t)count);
    p = put32(p, 0);                                             // manufacturer
    p = put32(p, 0);                                             // product
    p = put32(p, e->rate < 256 ? 22675 : 1000000000u / e->rate); // sample period in ns
    p = put32(p, 60);                                            // MIDI unity note
    p = put32(p, 0);                                             // pitch fraction
    p = put32(p, 0);                                             // SMPTE format
    p = put32(p, 0);                                             // SMPTE offset
    p = put32(p, (uint32_t)count);
    p = put32(p, 0); // sampler data
    for (int i = 0; i < count; i++) {
        uint32_t start = records[i].start >> shift;
        uint32_t end = records[i].end >> shift;
        // The chunk's loop end is the last frame played, while the catalog keeps the
        // first frame after the loop; a 0..0 record stays 0..0.
        if (end > start)
            end -= 1;
        p = put32(p, 0);                             // cue point id
        p = put32(p, (records[i].kind & 2) ? 1 : 0); // alternating or forward
        p = put32(p, start);
        p = put32(p, end);
        p = put32(p, 0); // fraction
        p = put32(p, 0); // play count: for ever
    }

    p = put_tag(p, "LIST");
    p = put32(p, 66);
    p = put_tag(p, "INFO");
    p = put_tag(p, "INAM");
    p = put32(p, 35);
    memcpy(p, e->name, 35);
    p += 35;
    *p++ = 0;
    p = put_tag(p, "ISFT");
    p = put32(p, sizeof SoftwareMark);
    memcpy(p, SoftwareMark, sizeof SoftwareMark);
    p += sizeof SoftwareMark;
    *p++ = 0;

    p = put_tag(p, "xtra");
    p = put32(p, 16);
    memset(p, 0, 16);
    p += 16;
    return (uint32_t)(p - buffer);
}

uint32_t build_wav_image(const CatalogEntry *entry, unsigned int index, uint8_t *buffer,
                         ModuleHandle module)
{
    memset(buffer + 44, 0, entry->info.byteLength);
    VIRN_GetSample(module, index & 0xFFFF, buffer + 44);
    return finish_image(entry, buffer);
}

uint32_t wav_image_from_pcm(const CatalogEntry *entry, const uint8_t *pcm, uint8_t *buffer)
{
    memcpy(buffer + 44, pcm, entry->info.byteLength);
    return finish_image(entry, buffer);
}
