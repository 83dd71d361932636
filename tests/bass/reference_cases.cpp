#include "reference_cases.h"

#include "song_writer.h"

// Every song at the plug-in's default format, and the other formats and choices on a few.
const ReferenceCase reference_cases[] = {
    {"mod_flow", "mod_flow", 44100, false, false, false, 0},
    {"s3m_flow", "s3m_flow", 44100, false, false, false, 0},
    {"xm_flow", "xm_flow", 44100, false, false, false, 0},
    {"it_flow", "it_flow", 44100, false, false, false, 0},
    {"it_compressed_tail", "it_compressed_tail", 44100, false, false, false, 0},
    {"it_random", "it_random", 44100, false, false, false, 0},
    {"mod_8bit_mono_nearest_22050", "mod_flow", 22050, true, true, true, 0},
    {"mod_ft2_48000", "mod_flow", 48000, false, false, false, 8},
    {"mod_protracker", "mod_flow", 44100, false, false, false, 3},
    {"it_random_mono_11025", "it_random", 11025, false, true, false, 0},
    {"xm_8bit_nearest_48000", "xm_flow", 48000, true, false, true, 0},
};
const size_t reference_case_count = sizeof reference_cases / sizeof reference_cases[0];

Bytes playable_song(const char *name)
{
    for (const Fixture &f : playable_songs())
        if (f.name == name)
            return f.bytes;
    return Bytes();
}
