// VIRN_GetSample on large samples of each PCM layout, each beside a memcpy of the same
// size in the same run, so the ratio says what decoding costs over moving the bytes.
#include "extract.h"
#include "fixtures.h"
#include "loader_toolkit.h"

#include <benchmark/benchmark.h>
#include <string.h>

// A module of one 4 MB sample of the given encoding, extracted through the library's
// decode and conversion (the same path as VIRN_GetSample).
struct Layout {
    const char *name;
    uint8_t encoding;
    uint32_t frames;
};

static const Layout Layouts[] = {
    {"8-bit mono", 0, 4u << 20},     {"8-bit deltas", 2, 4u << 20},
    {"16-bit mono", 4, 2u << 20},    {"16-bit deltas", 6, 2u << 20},
    {"16-bit stereo", 12, 1u << 20}, {"8-bit stereo deltas", 10, 2u << 20},
};

static void BM_GetSample(benchmark::State &state)
{
    const Layout &l = Layouts[state.range(0)];
    Bytes copy = noise(16 + (4u << 20), 3);
    LoadedModule m = {};
    m.copyBase = copy.data();
    m.fileCopy = copy.data();
    m.copyLength = m.fileLength = (uint32_t)copy.size();
    CatalogEntry e = {};
    e.length = l.frames;
    e.encoding = l.encoding;
    finish_entry(&e, 1);
    set_entry_data(&m, &e, 16);
    Bytes out(e.info.byteLength);
    for (auto _ : state) {
        extract_sample(&m, &e, out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(l.name);
    state.SetBytesProcessed((int64_t)state.iterations() * e.info.byteLength);
}

static void BM_Memcpy(benchmark::State &state)
{
    Bytes src = noise(4u << 20, 3), dst(4u << 20);
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetLabel("memcpy of the same 4 MB");
    state.SetBytesProcessed((int64_t)state.iterations() * src.size());
}

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_GetSample)->DenseRange(0, 5);
BENCHMARK_MAIN();
