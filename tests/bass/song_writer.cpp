#include "song_writer.h"

#include "it_writer.h"
#include "mod_writer.h"
#include "xm_writer.h"

namespace
{

const SongNote *note_at(const std::vector<SongNote> &pattern, uint32_t row, uint32_t channel)
{
    for (const SongNote &n : pattern)
        if (n.row == row && n.channel == channel)
            return &n;
    return nullptr;
}

uint32_t frames(const SongSample &s)
{
    return (uint32_t)(s.wide ? s.pcm.size() / 2 : s.pcm.size());
}

// MOD and XM effects: numbers and E-subcommands.
void protracker_fx(const SongNote &n, uint8_t *fx, uint8_t *param)
{
    static const uint8_t number[] = {0, 0xF, 0xF, 0xB, 0xD, 0xE, 0x4, 0xE};
    *fx = number[n.fx];
    *param = n.fx == FxLoop          ? (uint8_t)(0x60 | (n.param & 15))
             : n.fx == FxVibratoWave ? (uint8_t)(0x40 | (n.param & 3))
             : n.fx == FxBreak       ? 0
                                     : n.param;
}

// S3M and IT effects: letters counted from A = 1, S-subcommands.
void scream_fx(const SongNote &n, uint8_t *fx, uint8_t *param)
{
    static const uint8_t letter[] = {0, 'A', 'T', 'B', 'C', 'S', 'H', 'S'};
    *fx = n.fx == FxNone ? 0 : (uint8_t)(letter[n.fx] - 'A' + 1);
    *param = n.fx == FxLoop          ? (uint8_t)(0xB0 | (n.param & 15))
             : n.fx == FxVibratoWave ? (uint8_t)(0x30 | (n.param & 3))
             : n.fx == FxBreak       ? 0
                                     : n.param;
}

const uint16_t mod_periods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                                  428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                                  214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

void align16(Bytes &b)
{
    while (b.size() % 16)
        b.push_back(0);
}

} // namespace

Bytes write_song_mod(const SongSpec &song)
{
    ModSpec desc;
    desc.title = song.title;
    desc.tag = song.channels == 4 ? "M.K." : std::to_string(song.channels) + "CHN";
    desc.channels = song.channels;
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
    // The writer's placeholder patterns are replaced by the song's.
    size_t at = 1084;
    for (const std::vector<SongNote> &pattern : song.patterns)
        for (uint32_t row = 0; row < 64; row++)
            for (uint32_t c = 0; c < song.channels; c++, at += 4) {
                const SongNote *n = note_at(pattern, row, c);
                uint8_t e[4] = {0, 0, 0, 0};
                if (n) {
                    uint32_t period = n->note ? mod_periods[(n->note - 1) % 36] : 0;
                    uint8_t fx, param;
                    protracker_fx(*n, &fx, &param);
                    e[0] = (uint8_t)((n->instrument & 0xF0) | (period >> 8));
                    e[1] = (uint8_t)(period & 0xFF);
                    e[2] = (uint8_t)(((n->instrument & 15) << 4) | fx);
                    e[3] = param;
                }
                for (int i = 0; i < 4; i++)
                    b[at + i] = e[i];
            }
    return b;
}

Bytes write_song_xm(const SongSpec &song)
{
    XmSong xm;
    xm.name = song.title;
    xm.patterns.clear();
    for (const std::vector<SongNote> &pattern : song.patterns) {
        Bytes p;
        for (uint32_t row = 0; row < 64; row++)
            for (uint32_t c = 0; c < 4; c++) {
                const SongNote *n = note_at(pattern, row, c);
                if (!n) {
                    put_u8(p, 0x80);
                    continue;
                }
                uint8_t fx, param;
                protracker_fx(*n, &fx, &param);
                put_u8(p, 0x80 | 1 | 2 | 8 | 16);
                put_u8(p, n->note ? n->note + 36u : 0); // 1 + 36 is C-3
                put_u8(p, n->instrument);
                put_u8(p, fx);
                put_u8(p, param);
            }
        xm.patterns.push_back(p);
    }
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
    Bytes b;
    put_text(b, song.title, 28);
    put_u8(b, 0x1A);
    put_u8(b, 16);
    put_le16(b, 0);
    std::vector<uint8_t> orders = song.orders;
    do
        orders.push_back(255); // the end marker, and an even count
    while (orders.size() % 2);
    put_le16(b, (uint32_t)orders.size());
    put_le16(b, (uint32_t)song.samples.size());
    put_le16(b, (uint32_t)song.patterns.size());
    put_le16(b, 0);
    put_le16(b, 0x1320);
    put_le16(b, 1); // signed samples
    put_text(b, "SCRM", 4);
    put_u8(b, 64);
    put_u8(b, song.speed);
    put_u8(b, song.tempo);
    put_u8(b, 0xB0); // stereo
    put_u8(b, 0);
    put_u8(b, 0);
    put_text(b, "", 10);
    for (uint32_t c = 0; c < 32; c++)
        put_u8(b, c < song.channels ? (c % 2 ? 8 + c / 2 : c / 2) : 255); // L R L R ...
    b.insert(b.end(), orders.begin(), orders.end());
    size_t insPointers = b.size();
    b.resize(b.size() + 2 * song.samples.size());
    size_t patPointers = b.size();
    b.resize(b.size() + 2 * song.patterns.size());

    for (size_t p = 0; p < song.patterns.size(); p++) {
        align16(b);
        poke_le16(b, patPointers + 2 * p, (uint32_t)(b.size() / 16));
        size_t start = b.size();
        put_le16(b, 0);
        for (uint32_t row = 0; row < 64; row++) {
            for (uint32_t c = 0; c < song.channels; c++) {
                const SongNote *n = note_at(song.patterns[p], row, c);
                if (!n)
                    continue;
                uint8_t fx, param;
                scream_fx(*n, &fx, &param);
                put_u8(b, c | 0x20 | (fx ? 0x80 : 0));
                uint32_t semis = n->note ? n->note - 1u : 0;
                put_u8(b, n->note ? ((4 + semis / 12) << 4) | (semis % 12) : 255);
                put_u8(b, n->instrument);
                if (fx) {
                    put_u8(b, fx);
                    put_u8(b, param);
                }
            }
            put_u8(b, 0);
        }
        poke_le16(b, start, (uint32_t)(b.size() - start));
    }
    std::vector<size_t> headers;
    for (size_t i = 0; i < song.samples.size(); i++) {
        const SongSample &s = song.samples[i];
        align16(b);
        poke_le16(b, insPointers + 2 * i, (uint32_t)(b.size() / 16));
        headers.push_back(b.size());
        put_u8(b, 1);
        put_text(b, s.name.substr(0, 12), 12);
        put_u8(b, 0);
        put_le16(b, 0);
        put_le32(b, frames(s));
        put_le32(b, s.loopStart);
        put_le32(b, s.loopStart + s.loopLength);
        put_u8(b, 64);
        put_u8(b, 0);
        put_u8(b, 0);
        put_u8(b, (s.loopLength ? 1 : 0) | (s.wide ? 4 : 0));
        put_le32(b, 8363);
        put_text(b, "", 12);
        put_text(b, s.name, 28);
        put_text(b, "SCRS", 4);
    }
    for (size_t i = 0; i < song.samples.size(); i++) {
        align16(b);
        poke_le16(b, headers[i] + 14, (uint32_t)(b.size() / 16));
        b.insert(b.end(), song.samples[i].pcm.begin(), song.samples[i].pcm.end());
    }
    return b;
}

Bytes write_song_it(const SongSpec &song)
{
    bool instruments = false;
    for (const SongSample &s : song.samples)
        instruments |= s.randomVolume || s.randomPan;
    uint32_t insCount = instruments ? (uint32_t)song.samples.size() : 0;
    Bytes b;
    put_text(b, "IMPM", 4);
    put_text(b, song.title, 26);
    put_le16(b, 0x1004);
    std::vector<uint8_t> orders = song.orders;
    orders.push_back(255);
    put_le16(b, (uint32_t)orders.size());
    put_le16(b, insCount);
    put_le16(b, (uint32_t)song.samples.size());
    put_le16(b, (uint32_t)song.patterns.size());
    put_le16(b, 0x0214);
    put_le16(b, 0x0214);
    put_le16(b, 1 | 8 | (instruments ? 4 : 0)); // stereo, linear slides, instruments
    put_le16(b, 0);
    put_u8(b, 128);
    put_u8(b, 48);
    put_u8(b, song.speed);
    put_u8(b, song.tempo);
    put_u8(b, 128);
    put_u8(b, 0);
    put_le16(b, 0);
    put_le32(b, 0);
    put_le32(b, 0);
    for (int c = 0; c < 64; c++)
        put_u8(b, c % 2 ? 48 : 16);
    for (int c = 0; c < 64; c++)
        put_u8(b, 64);
    b.insert(b.end(), orders.begin(), orders.end());
    size_t insTable = b.size();
    b.resize(b.size() + 4 * insCount);
    size_t smpTable = b.size();
    b.resize(b.size() + 4 * song.samples.size());
    size_t patTable = b.size();
    b.resize(b.size() + 4 * song.patterns.size());

    for (uint32_t i = 0; i < insCount; i++) {
        const SongSample &s = song.samples[i];
        poke_le32(b, insTable + 4 * i, (uint32_t)b.size());
        Bytes ins;
        put_text(ins, "IMPI", 4);
        put_text(ins, "", 12);
        put_u8(ins, 0);
        put_u8(ins, 0); // new note action: cut
        put_u8(ins, 0);
        put_u8(ins, 0);
        put_le16(ins, 256); // fade-out
        put_u8(ins, 0);
        put_u8(ins, 60);
        put_u8(ins, 128);       // global volume
        put_u8(ins, 0x80 | 32); // default pan, not used
        put_u8(ins, s.randomVolume);
        put_u8(ins, s.randomPan);
        put_le16(ins, 0x0214);
        put_u8(ins, 1);
        put_u8(ins, 0);
        put_text(ins, s.name, 26);
        put_u8(ins, 0);
        put_u8(ins, 0);
        put_u8(ins, 0);
        put_u8(ins, 0);
        put_le16(ins, 0);
        for (uint32_t note = 0; note < 120; note++) { // every note plays this sample
            put_u8(ins, note);
            put_u8(ins, i + 1);
        }
        ins.resize(554, 0); // envelopes off
        b.insert(b.end(), ins.begin(), ins.end());
    }
    std::vector<size_t> headers;
    std::vector<Bytes> stored;
    for (size_t i = 0; i < song.samples.size(); i++) {
        const SongSample &s = song.samples[i];
        headers.push_back(b.size());
        poke_le32(b, smpTable + 4 * i, (uint32_t)b.size());
        put_text(b, "IMPS", 4);
        put_text(b, s.name.substr(0, 12), 12);
        put_u8(b, 0);
        put_u8(b, 64);
        put_u8(b, 1 | (s.wide ? 2 : 0) | (s.compressed ? 8 : 0) | (s.loopLength ? 16 : 0));
        put_u8(b, 64);
        put_text(b, s.name, 26);
        put_u8(b, 1); // signed
        put_u8(b, 32);
        put_le32(b, frames(s));
        put_le32(b, s.loopStart);
        put_le32(b, s.loopStart + s.loopLength);
        put_le32(b, 8363);
        put_le32(b, 0);
        put_le32(b, 0);
        put_le32(b, 0); // data pointer, below
        put_le32(b, 0);
        stored.push_back(!s.compressed ? s.pcm
                         : s.wide      ? it_compress16(s.pcm, false)
                                       : it_compress8(s.pcm, false));
    }
    for (size_t p = 0; p < song.patterns.size(); p++) {
        poke_le32(b, patTable + 4 * p, (uint32_t)b.size());
        Bytes rows;
        for (uint32_t row = 0; row < 64; row++) {
            for (uint32_t c = 0; c < song.channels; c++) {
                const SongNote *n = note_at(song.patterns[p], row, c);
                if (!n)
                    continue;
                uint8_t fx, param;
                scream_fx(*n, &fx, &param);
                put_u8(rows, (c + 1) | 0x80);
                put_u8(rows, (n->note ? 1 : 0) | (n->instrument ? 2 : 0) | (fx ? 8 : 0));
                if (n->note)
                    put_u8(rows, n->note - 1u + 48); // 48 is C-4
                if (n->instrument)
                    put_u8(rows, n->instrument);
                if (fx) {
                    put_u8(rows, fx);
                    put_u8(rows, param);
                }
            }
            put_u8(rows, 0);
        }
        put_le16(b, (uint32_t)rows.size());
        put_le16(b, 64);
        put_le32(b, 0);
        b.insert(b.end(), rows.begin(), rows.end());
    }
    // Sample data last: the final sample's data ends the file.
    for (size_t i = 0; i < song.samples.size(); i++) {
        poke_le32(b, headers[i] + 0x48, (uint32_t)b.size());
        b.insert(b.end(), stored[i].begin(), stored[i].end());
    }
    return b;
}

namespace
{

SongSample sample(const std::string &name, Bytes pcm, bool wide, uint32_t loopStart = 0,
                  uint32_t loopLength = 0)
{
    SongSample s;
    s.name = name;
    s.pcm = std::move(pcm);
    s.wide = wide;
    s.loopStart = loopStart;
    s.loopLength = loopLength;
    return s;
}

Bytes decaying_noise(size_t n, uint32_t seed)
{
    Bytes b = noise(n, seed);
    for (size_t i = 0; i < n; i++)
        b[i] = (uint8_t)(int8_t)int_scale((int8_t)b[i], (int64_t)(n - i), (int64_t)n);
    return b;
}

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
    s.samples.push_back(sample("bass", sine8(2048, 64, 90), false, 0, 2048));
    s.samples.push_back(wide ? sample("lead", sine16(4000, 50, 16000), true, 2000, 2000)
                             : sample("lead", sine8(4000, 50, 70), false, 2000, 2000));
    s.samples.push_back(sample("drum", decaying_noise(3000, 11), false));
    return s;
}

} // namespace

std::vector<Fixture> playable_songs()
{
    std::vector<Fixture> list;
    list.push_back({"mod_flow", write_song_mod(flow_song("mod flow", false))});
    list.push_back({"s3m_flow", write_song_s3m(flow_song("s3m flow", true))});
    list.push_back({"xm_flow", write_song_xm(flow_song("xm flow", true))});
    list.push_back({"it_flow", write_song_it(flow_song("it flow", true))});

    // Compressed samples, 8- and 16-bit; the 16-bit one's data ends the file, where a
    // reader that stops one byte early loses its tail.
    SongSpec packed = flow_song("it compressed", false);
    packed.samples[0].compressed = true;
    packed.samples[2].compressed = true;
    packed.samples.push_back(sample("pad", sine16(6000, 30, 12000), true));
    packed.samples.back().compressed = true;
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
