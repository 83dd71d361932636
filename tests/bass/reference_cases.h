// The renderings that the Windows library is compared with: each a playable song at one
// output format and one set of player choices, rendered natively by the reference
// renderer (bass_reference) into <name>.pcm and by bass.dll under Wine.
#ifndef TESTS_BASS_REFERENCE_CASES_H
#define TESTS_BASS_REFERENCE_CASES_H

#include "fixtures.h"

struct ReferenceCase {
    const char *name;
    const char *song; // a name from playable_songs()
    uint32_t rate;
    bool eightBit, mono, nearest;
    int player; // 0, or the renderer's mode for MOD files: 8 FastTracker 2, 3 ProTracker
};

extern const ReferenceCase reference_cases[];
extern const size_t reference_case_count;

// The song's bytes, empty when there is no such song.
Bytes playable_song(const char *name);

#endif
