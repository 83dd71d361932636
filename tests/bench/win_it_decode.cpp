// IT sample decompression through VIRN.dll's exports, in MB/s of decoded output: for each
// width (8 and 16 bits) and variant (2.14 first-order, 2.15 second-order deltas) a module
// of four compressed samples, 4 MB decoded in all, made by the fixtures' IT writer. The
// module is loaded once; what is timed is VIRN_GetSample of every sample into a buffer
// that stays allocated, as tests/bench/bench_it.cpp times the decoder natively.
#include "bench_data.h"
#include "it_writer.h"
#include "virn.h"
#include "win_bench.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include <windows.h>

namespace
{

typedef ModuleHandle(__stdcall *LoadFunction)(const void *, uint32_t);
typedef int(__stdcall *FreeFunction)(ModuleHandle);
typedef uint16_t(__stdcall *CountFunction)(ModuleHandle, int);
typedef int(__stdcall *SampleFunction)(ModuleHandle, unsigned int, void *);
typedef SampleInfo *(__stdcall *InfoFunction)(ModuleHandle, unsigned int);

struct Virn {
    LoadFunction load;
    FreeFunction release;
    CountFunction count;
    SampleFunction sample;
    InfoFunction info;
};

template <typename F> bool bind(HMODULE dll, const char *name, F &slot)
{
    slot = dll ? (F)(void *)GetProcAddress(dll, name) : nullptr;
    return slot != nullptr;
}

const size_t DecodedBytes = 4 << 20, SamplesPerModule = 4;

// The module of one kind, and the PCM VIRN_GetSample must give for it (8-bit values come
// out unsigned, as WAV keeps them).
struct ItCase {
    Bytes module, expected;
};

ItCase make_case(bool wide, bool secondOrder)
{
    ItCase c;
    size_t width = wide ? 2 : 1, part = DecodedBytes / SamplesPerModule;
    Bytes pcm = music(DecodedBytes / width, wide);
    ItSong song;
    song.name = "IT decoding benchmark";
    song.cmwt = secondOrder ? 0x215 : 0x214;
    for (size_t i = 0; i < SamplesPerModule; i++) {
        Bytes slice(pcm.begin() + (ptrdiff_t)(i * part), pcm.begin() + (ptrdiff_t)((i + 1) * part));
        song.samples.push_back(
            it_compressed_sample("part " + std::to_string(i), slice, wide, secondOrder));
    }
    c.module = write_it(song);
    c.expected = pcm;
    if (!wide)
        for (uint8_t &b : c.expected)
            b ^= 0x80;
    return c;
}

// The four kinds, in the order they are printed.
const struct {
    bool wide, secondOrder;
    const char *label;
} Kinds[] = {
    {false, false, "8-bit 2.14"},
    {false, true, "8-bit 2.15"},
    {true, false, "16-bit 2.14"},
    {true, true, "16-bit 2.15"},
};

// One run: every sample of the module into `out`, back to back.
void fetch_all(const Virn &v, ModuleHandle h, Bytes &out, BestTime &time)
{
    uint16_t n = v.count(h, 0);
    time.start();
    size_t at = 0;
    for (uint16_t i = 0; i < n; i++) {
        v.sample(h, i, out.data() + at);
        at += v.info(h, i)->byteLength;
    }
    time.stop();
}

} // namespace

int bench_it_decode(int runs)
{
    HMODULE dll = LoadLibraryA("VIRN.dll");
    Virn v;
    if (!bind(dll, "VIRN_LoadModule", v.load) || !bind(dll, "VIRN_FreeModule", v.release) ||
        !bind(dll, "VIRN_GetNumberOfSamples", v.count) || !bind(dll, "VIRN_GetSample", v.sample) ||
        !bind(dll, "VIRN_GetSampleInfo", v.info)) {
        printf("VIRN.dll or one of its exports is missing\n");
        return 1;
    }
    const int n = (int)(sizeof Kinds / sizeof Kinds[0]);
    ItCase cases[n];
    ModuleHandle modules[n];
    BestTime times[n];
    Bytes out[n];
    for (int k = 0; k < n; k++) {
        cases[k] = make_case(Kinds[k].wide, Kinds[k].secondOrder);
        modules[k] = v.load(cases[k].module.data(), (uint32_t)cases[k].module.size());
        out[k].resize(DecodedBytes + 16);
    }
    // Every run times all kinds, so a busy spell of the machine does not fall on one alone.
    for (int i = 0; i < runs; i++)
        for (int k = 0; k < n; k++)
            if (modules[k])
                fetch_all(v, modules[k], out[k], times[k]);

    printf("\nIT sample decompression through VIRN.dll, %u samples of %u KB decoded each\n",
           (unsigned)SamplesPerModule, (unsigned)(DecodedBytes / SamplesPerModule >> 10));
    printf("samples        compressed  decoded MB/s\n");
    int failed = 0;
    for (int k = 0; k < n; k++) {
        const ItCase &c = cases[k];
        if (!modules[k] || memcmp(out[k].data(), c.expected.data(), c.expected.size()) != 0) {
            printf("%-14s decoding FAILED\n", Kinds[k].label);
            failed = 1;
        } else {
            printf("%-14s %9.1f%% %13.1f\n", Kinds[k].label, 100.0 * c.module.size() / DecodedBytes,
                   times[k].mb_per_s(DecodedBytes));
        }
        if (modules[k])
            v.release(modules[k]);
    }
    FreeLibrary(dll);
    return failed;
}
