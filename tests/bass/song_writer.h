// Playable songs for the playback library's tests: one description of notes and flow
// effects, written as MOD, S3M, XM or IT. (The fixture writers make modules whose
// patterns play nothing; the library needs songs that sound.) MOD and XM go through the
// fixture writers with the patterns and order list put in; S3M and IT are written here.
#ifndef TESTS_BASS_SONG_WRITER_H
#define TESTS_BASS_SONG_WRITER_H

#include "fixtures.h"

// Flow and sound effects, mapped to each format's own letters or numbers.
enum SongFx {
    FxNone,
    FxSpeed,       // ticks per row
    FxTempo,       // BPM (32 and up)
    FxJump,        // to order `param`
    FxBreak,       // to row 0 of the next order
    FxLoop,        // pattern loop: 0 marks the start, n repeats n times
    FxVibrato,     // speed in the high nibble, depth in the low one
    FxVibratoWave, // 0 sine, 1 ramp, 2 square, 3 random
};

struct SongNote {
    uint8_t row, channel;
    uint8_t note;       // 0 none, else 1 + semitones above the lowest C (1..36)
    uint8_t instrument; // 1-based; 0 none
    SongFx fx = FxNone;
    uint8_t param = 0;
};

// A sample; written in one line as {name, pcm, wide, loop start, loop length, compressed}.
struct SongSample {
    std::string name;
    Bytes pcm = {}; // signed 8-bit values, or 16-bit little-endian ones when `wide`
    bool wide = false;
    uint32_t loopStart = 0, loopLength = 0; // frames; length 0: no loop
    bool compressed = false;                // IT only: stored with IT's block compression
    uint8_t randomVolume = 0; // IT only (instrument mode): random volume variation, percent
    uint8_t randomPan = 0;    // IT only: random pan variation
};

struct SongSpec {
    std::string title; // four channels
    uint8_t speed = 6, tempo = 125;
    std::vector<std::vector<SongNote>> patterns; // 64 rows each
    std::vector<uint8_t> orders;
    std::vector<SongSample> samples;
};

Bytes write_song_mod(const SongSpec &song); // 8-bit samples only
Bytes write_song_s3m(const SongSpec &song);
Bytes write_song_xm(const SongSpec &song);
Bytes write_song_it(const SongSpec &song); // instrument mode when a sample asks for random

// The songs the tests play, each named for what it exercises.
std::vector<Fixture> playable_songs();

#endif
