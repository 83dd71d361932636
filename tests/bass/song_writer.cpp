#include "song_writer.h"

#include "it_writer.h"
#include "mod_writer.h"
#include "s3m_writer.h"
#include "xm_writer.h"

namespace
{

// Effects in a format's own codes: MOD and XM use numbers and E-subcommands, S3M and IT
// letters counted from A = 1 and S-subcommands (the loop and waveform ones).
void format_fx(const SongNote &n, bool scream, uint8_t *fx, uint8_t *param)
{
    static const uint8_t number[] = {0, 0xF, 0xF, 0xB, 0xD, 0xE, 0x4, 0xE};
    static const uint8_t letter[] = {0, 'A', 'T', 'B', 'C', 'S', 'H', 'S'};
    *fx = !scream ? number[n.fx] : n.fx == FxNone ? 0 : (uint8_t)(letter[n.fx] - 'A' + 1);
    *param = n.fx == FxLoop          ? (uint8_t)((scream ? 0xB0 : 0x60) | (n.param & 15))
             : n.fx == FxVibratoWave ? (uint8_t)((scream ? 0x30 : 0x40) | (n.param & 3))
             : n.fx == FxBreak       ? 0
                                     : n.param;
}

// A pattern's rows in a format's packing: `event` writes each of the four channels' cells
// (the note there, or none), and formats with packed rows end every row with a 0.
template <typename Event>
Bytes packed_rows(const std::vector<SongNote> &pattern, bool rowEnds, Event event)
{
    Bytes rows;
    for (uint32_t row = 0; row < 64; row++) {
        for (uint32_t c = 0; c < 4; c++) {
            const SongNote *n = nullptr;
            for (const SongNote &k : pattern)
                if (!n && k.row == row && k.channel == c)
                    n = &k;
            uint8_t fx = 0, param = 0;
            if (n)
                format_fx(*n, rowEnds, &fx, &param); // the packed formats use letters
            event(rows, c, n, fx, param);
        }
        if (rowEnds)
            put_u8(rows, 0);
    }
    return rows;
}

const uint16_t mod_periods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                                  428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                                  214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

} // namespace

Bytes write_song_mod(const SongSpec &song)
{
    ModSpec desc;
    desc.title = song.title;
    desc.songLength = (uint8_t)song.orders.size();
    desc.orders = song.orders;
    for (const SongSample &s : song.samples) {
        ModSampleSpec m = {s.name, s.pcm};
        if (s.loopLength) {
            m.loopStartWords = (uint16_t)(s.loopStart / 2);
            m.loopLengthWords = (uint16_t)(s.loopLength / 2);
        }
        desc.samples.push_back(m);
    }
    Bytes b = write_mod(desc);
    // The writer's placeholder patterns are replaced by the song's: four bytes a cell,
    // the instrument's high nibble, the period, its low nibble and the effect.
    size_t at = 1084;
    for (const std::vector<SongNote> &pattern : song.patterns) {
        Bytes rows = packed_rows(
            pattern, false, [](Bytes &r, uint32_t, const SongNote *n, uint8_t fx, uint8_t param) {
                uint32_t ins = n ? n->instrument : 0;
                uint32_t period = n && n->note ? mod_periods[(n->note - 1) % 36] : 0;
                pack_be(r, "HH",
                        {((ins & 0xF0) << 8) | period, ((ins & 15) << 4 | fx) << 8 | param});
            });
        std::copy(rows.begin(), rows.end(), b.begin() + (long)at);
        at += rows.size();
    }
    return b;
}

Bytes write_song_xm(const SongSpec &song)
{
    XmSong xm;
    xm.name = song.title;
    xm.patterns.clear();
    // An empty cell is one byte; a note has every field: note (1 + 36 is C-3), instrument,
    // effect.
    for (const std::vector<SongNote> &pattern : song.patterns)
        xm.patterns.push_back(packed_rows(
            pattern, false, [](Bytes &r, uint32_t, const SongNote *n, uint8_t fx, uint8_t param) {
                if (!n)
                    put_u8(r, 0x80);
                else
                    pack_le(r, "BBBBB",
                            {0x80 | 1 | 2 | 8 | 16, n->note ? n->note + 36u : 0, n->instrument, fx,
                             param});
            }));
    for (const SongSample &s : song.samples) {
        XmInstrument ins;
        ins.name = s.name;
        uint32_t width = s.wide ? 2 : 1;
        XmSample x = {s.name, s.wide ? xm_deltas16(s.pcm) : xm_deltas8(s.pcm),
                      (uint8_t)((s.loopLength ? 1 : 0) | (s.wide ? 0x10 : 0)), s.loopStart * width,
                      s.loopLength * width};
        ins.samples.push_back(x);
        xm.instruments.push_back(ins);
    }
    Bytes b = write_xm(xm);
    // The writer plays one order at speed 6, tempo 125; the song sets its own.
    poke_le16(b, 64, (uint32_t)song.orders.size());
    poke_le16(b, 76, song.speed);
    poke_le16(b, 78, song.tempo);
    for (size_t i = 0; i < song.orders.size(); i++)
        b[80 + i] = song.orders[i];
    return b;
}

Bytes write_song_s3m(const SongSpec &song)
{
    S3mSong s3m;
    s3m.title = song.title;
    s3m.orders = song.orders;
    do
        s3m.orders.push_back(255); // the end marker, and an even count
    while (s3m.orders.size() % 2);
    s3m.sampleFormat = 1; // signed
    s3m.speed = song.speed;
    s3m.tempo = song.tempo;
    s3m.channels = {0, 8, 1, 9}; // left, right, left, right
    s3m.patterns.clear();
    // A cell: channel and what follows, note (octave and semitone) and instrument, effect.
    for (const std::vector<SongNote> &pattern : song.patterns)
        s3m.patterns.push_back(packed_rows(
            pattern, true, [](Bytes &r, uint32_t c, const SongNote *n, uint8_t fx, uint8_t param) {
                uint32_t semis = n && n->note ? n->note - 1u : 0;
                if (n)
                    pack_le(r, "BBB",
                            {c | 0x20 | (fx ? 0x80 : 0),
                             n->note ? ((4 + semis / 12) << 4) | (semis % 12) : 255,
                             n->instrument});
                if (fx)
                    pack_le(r, "BB", {fx, param});
            }));
    for (const SongSample &s : song.samples)
        s3m.instruments.push_back({s.name, s.pcm,
                                   (uint8_t)((s.loopLength ? 1 : 0) | (s.wide ? 4 : 0)),
                                   s.loopStart, s.loopStart + s.loopLength});
    return write_s3m(s3m);
}

Bytes write_song_it(const SongSpec &song)
{
    ItSong it;
    it.name = song.title;
    it.orders = song.orders;
    it.orders.push_back(255);
    it.cwt = it.cmwt = 0x0214;
    it.speed = song.speed;
    it.tempo = song.tempo;
    for (int c = 0; c < 64; c++)
        it.pan[c] = c % 2 ? 48 : 16;
    bool instruments = false;
    for (const SongSample &s : song.samples)
        instruments |= s.randomVolume || s.randomPan;
    it.flags = 1 | 8 | (instruments ? 4 : 0); // stereo, linear slides, instruments
    for (size_t i = 0; instruments && i < song.samples.size(); i++) {
        // New note action cut, fade-out 256, global volume 128, default pan (not used),
        // the random variations, every note playing this sample, envelopes off.
        const SongSample &s = song.samples[i];
        Bytes ins = text_of("IMPI");
        ins.resize(16, 0);
        pack_le(
            ins, "BBBBHBBBBBBHBB",
            {0, 0, 0, 0, 256, 0, 60, 128, 0x80 | 32, s.randomVolume, s.randomPan, 0x0214, 1, 0});
        put_text(ins, s.name, 26);
        pack_le(ins, "BBBBH", {0, 0, 0, 0, 0});
        for (uint32_t note = 0; note < 120; note++)
            pack_le(ins, "BB", {note, i + 1});
        it.instrumentHeaders.push_back(ins);
    }
    for (const SongSample &s : song.samples) {
        // Signed; stored plain, or compressed by our own compressor.
        Bytes stored = !s.compressed ? s.pcm
                       : s.wide      ? it_compress16(s.pcm, false)
                                     : it_compress8(s.pcm, false);
        uint8_t flags = 1 | (s.wide ? 2 : 0) | (s.compressed ? 8 : 0) | (s.loopLength ? 16 : 0);
        uint32_t frames = (uint32_t)(s.wide ? s.pcm.size() / 2 : s.pcm.size());
        it.samples.push_back(
            {s.name, stored, flags, 1, frames, s.loopStart, s.loopStart + s.loopLength});
    }
    // A cell: channel, the mask of what follows, note (48 is C-4), instrument, effect.
    for (const std::vector<SongNote> &pattern : song.patterns)
        it.patterns.push_back(packed_rows(
            pattern, true, [](Bytes &r, uint32_t c, const SongNote *n, uint8_t fx, uint8_t param) {
                if (!n)
                    return;
                pack_le(r, "BB",
                        {(c + 1) | 0x80,
                         (uint32_t)((n->note ? 1 : 0) | (n->instrument ? 2 : 0) | (fx ? 8 : 0))});
                if (n->note)
                    put_u8(r, n->note - 1u + 48);
                if (n->instrument)
                    put_u8(r, n->instrument);
                if (fx)
                    pack_le(r, "BB", {fx, param});
            }));
    return write_it(it);
}

namespace
{

// A bass line, a melody and a drum: notes on three channels, every other row.
std::vector<SongNote> groove(uint8_t transpose)
{
    static const uint8_t melody[] = {13, 17, 20, 25, 24, 20, 17, 15};
    std::vector<SongNote> p;
    for (uint8_t row = 0; row < 64; row += 2) {
        if (row % 8 == 0)
            p.push_back({row, 0, (uint8_t)(1 + transpose + (row / 16) * 5 % 12), 1});
        p.push_back({row, 1, (uint8_t)(melody[(row / 2) % 8] + transpose), 2});
        if (row % 4 == 0)
            p.push_back({row, 2, 25, 3});
    }
    return p;
}

// The flow: speed and tempo change, a pattern loop repeats rows, a jump skips an order
// and a break cuts a pattern short. The renderer's own time estimate is off for such
// songs; the library's length must still be exact.
SongSpec flow_song(const std::string &title, bool wide)
{
    SongSpec s;
    s.title = title;
    s.speed = 3;
    s.tempo = 150;
    std::vector<SongNote> first = groove(0);
    first.push_back({0, 3, 0, 0, FxTempo, 170});
    first.push_back({16, 3, 0, 0, FxLoop, 0});
    first.push_back({23, 3, 0, 0, FxLoop, 2});
    first.push_back({40, 3, 0, 0, FxSpeed, 4});
    first.push_back({63, 3, 0, 0, FxJump, 2});
    std::vector<SongNote> skipped = groove(7);
    std::vector<SongNote> last = groove(5);
    last.push_back({8, 3, 0, 0, FxVibrato, 0x46});
    last.push_back({31, 3, 0, 0, FxBreak, 0});
    std::vector<SongNote> coda = groove(12);
    coda.push_back({0, 3, 0, 0, FxSpeed, 2});
    s.patterns = {first, skipped, last, coda};
    s.orders = {0, 1, 2, 3};
    s.samples = {{"bass", sine8(2048, 64, 90), false, 0, 2048},
                 {"lead", wide ? sine16(4000, 50, 16000) : sine8(4000, 50, 70), wide, 2000, 2000},
                 {"drum", decaying_noise(3000, 11)}};
    return s;
}

} // namespace

std::vector<Fixture> playable_songs()
{
    std::vector<Fixture> list = {{"mod_flow", write_song_mod(flow_song("mod flow", false))},
                                 {"s3m_flow", write_song_s3m(flow_song("s3m flow", true))},
                                 {"xm_flow", write_song_xm(flow_song("xm flow", true))},
                                 {"it_flow", write_song_it(flow_song("it flow", true))}};

    // Compressed samples, 8- and 16-bit; the 16-bit one's data ends the file, where a
    // reader that stops one byte early loses its tail.
    SongSpec packed = flow_song("it compressed", false);
    packed.samples[0].compressed = true;
    packed.samples[2].compressed = true;
    packed.samples.push_back({"pad", sine16(6000, 30, 12000), true, 0, 0, true});
    packed.patterns[0].push_back({4, 3, 20, 4});
    packed.patterns[2].push_back({4, 3, 22, 4});
    list.push_back({"it_compressed_tail", write_song_it(packed)});

    // Random volume and pan variation and a random vibrato waveform: the renderer draws
    // random numbers, which must come out the same on every run and every host.
    SongSpec random = flow_song("it random", true);
    random.samples[1].randomVolume = 60;
    random.samples[1].randomPan = 40;
    random.samples[2].randomVolume = 30;
    random.patterns[0].push_back({2, 3, 13, 2, FxVibratoWave, 3});
    for (uint8_t row = 4; row < 64; row += 4)
        random.patterns[0].push_back({row, 3, 0, 0, FxVibrato, 0x88});
    list.push_back({"it_random", write_song_it(random)});
    return list;
}
