#include "settings_format.h"

#include <string.h>

static const uint32_t Frequencies[] = {11025, 22050, 44100, 48000};

static uint32_t le32(const uint8_t *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void put32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

void settings_defaults(Settings *s)
{
    memset(s, 0, sizeof *s);
    s->musicFlags = MUSIC_ALWAYS | MUSIC_RENDER_FOR_PLUGIN;
    s->frequency = 44100;
    s->bits = 16;
    s->deviceFlags = 0;
    s->channels = 2;
    s->libraryOutput = 0;
}

void settings_from_bytes(const uint8_t *bytes, size_t count, Settings *s)
{
    settings_defaults(s);
    if (count < SETTINGS_BLOCK_SIZE)
        return;
    s->musicFlags = le32(bytes + 0);
    s->frequency = le32(bytes + 4);
    s->bits = bytes[8];
    s->deviceFlags = le32(bytes + 9);
    s->channels = bytes[13];
    s->libraryOutput = bytes[14] != 0;
    size_t n = count - SETTINGS_BLOCK_SIZE;
    if (n > COMMAND_LINE_MAX)
        n = COMMAND_LINE_MAX; // a longer tail is cut: the buffer holds 259 characters
    memcpy(s->commandLine, bytes + SETTINGS_BLOCK_SIZE, n);
    s->commandLine[n] = 0;
}

size_t settings_to_bytes(const Settings *s, uint8_t *out)
{
    put32(out + 0, s->musicFlags);
    put32(out + 4, s->frequency);
    out[8] = s->bits;
    put32(out + 9, s->deviceFlags);
    out[13] = s->channels;
    out[14] = s->libraryOutput ? 1 : 0;
    size_t n = strnlen(s->commandLine, COMMAND_LINE_MAX);
    memcpy(out + SETTINGS_BLOCK_SIZE, s->commandLine, n);
    return SETTINGS_BLOCK_SIZE + n;
}

int frequency_choice(uint32_t frequency)
{
    for (int i = 0; i < 4; i++)
        if (Frequencies[i] == frequency)
            return i;
    return -1;
}

void choices_from_settings(const Settings *s, bool libraryOutput, DialogChoices *c)
{
    memset(c, 0, sizeof *c);
    uint32_t f = s->musicFlags;
    c->libraryOutput = libraryOutput;
    // Each group shows the first flag it knows, in the order the dialog tests them.
    c->surround = (f & MUSIC_SURROUND_1)   ? SURROUND_1
                  : (f & MUSIC_SURROUND_2) ? SURROUND_2
                                           : SURROUND_NONE;
    c->ramping = (f & MUSIC_RAMP_FT2)         ? RAMP_FT2
                 : (f & MUSIC_RAMP_SENSITIVE) ? RAMP_SENSITIVE
                                              : RAMP_NONE;
    c->nonInterpolated = (f & MUSIC_NO_INTERPOLATION) != 0;
    c->modPlayback = (f & MUSIC_MOD_FT2) ? MOD_FT2 : (f & MUSIC_MOD_PT1) ? MOD_PT1 : MOD_NORMAL;
    c->mono = s->channels == 1;
    c->eightBit = s->bits == 8;
    c->frequency = frequency_choice(s->frequency);
    memcpy(c->commandLine, s->commandLine, sizeof c->commandLine);
    c->commandLine[COMMAND_LINE_MAX] = 0;
}

void apply_choices(const DialogChoices *c, Settings *s, uint32_t *pending)
{
    *pending = c->libraryOutput ? 1 : 0;
    uint32_t flags = c->libraryOutput ? MUSIC_ALWAYS : MUSIC_ALWAYS | MUSIC_RENDER_FOR_PLUGIN;
    s->deviceFlags = 0;
    if (c->ramping == RAMP_FT2)
        flags |= MUSIC_RAMP_FT2;
    else if (c->ramping == RAMP_SENSITIVE)
        flags |= MUSIC_RAMP_SENSITIVE;
    if (c->modPlayback == MOD_FT2)
        flags |= MUSIC_MOD_FT2;
    else if (c->modPlayback == MOD_PT1)
        flags |= MUSIC_MOD_PT1;
    // Surround and 8-bit output exist only when the library plays on its own device; the
    // plug-in's own path keeps the bits it had when "8 bit" is chosen.
    if (c->libraryOutput) {
        if (c->surround == SURROUND_1)
            flags |= MUSIC_SURROUND_1;
        else if (c->surround == SURROUND_2)
            flags |= MUSIC_SURROUND_2;
        if (c->eightBit == 1) {
            s->deviceFlags |= DEVICE_8BIT;
            s->bits = 8;
        }
    }
    memcpy(s->commandLine, c->commandLine, COMMAND_LINE_MAX);
    s->commandLine[COMMAND_LINE_MAX] = 0;
    if (c->nonInterpolated)
        flags |= MUSIC_NO_INTERPOLATION;
    if (c->mono == 1) {
        flags |= MUSIC_MONO;
        s->channels = 1;
    }
    if (c->eightBit == 0)
        s->bits = 16;
    if (c->mono == 0)
        s->channels = 2;
    if (c->frequency >= 0 && c->frequency < 4)
        s->frequency = Frequencies[c->frequency];
    s->musicFlags = flags;
}

void song_format(const Settings *s, bool libraryOutput, SongFormat *f)
{
    f->device = libraryOutput ? -1 : -2;
    f->frequency = s->frequency;
    f->deviceFlags = libraryOutput ? s->deviceFlags | DEVICE_OWN_OUTPUT : s->deviceFlags;
    f->musicFlags = libraryOutput ? s->musicFlags & ~(uint32_t)MUSIC_RENDER_FOR_PLUGIN
                                  : s->musicFlags | MUSIC_RENDER_FOR_PLUGIN;
    f->bits = (f->deviceFlags & DEVICE_8BIT) ? 8 : 16;
    f->channels = (f->musicFlags & MUSIC_MONO) ? 1 : 2;
}
