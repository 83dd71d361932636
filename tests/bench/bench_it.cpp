// IT sample decompression in MB/s of decoded output, each beside a memcpy of the same
// decoded size in the same run; then the load of a large module of compressed samples
// with the extraction of every sample, and (when built with it) libxmp loading the
// same module. At the end the ratio of our load + extract to its load is printed.
#include "it_decode.h"
#include "bench_data.h"
#include "it_writer.h"
#include "virn.h"

#include <benchmark/benchmark.h>
#include <map>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>

#if HAVE_LIBXMP
#include <xmp.h>
#endif

enum { DecodedBytes = 4 << 20 };

static void BM_ItDecode(benchmark::State &state)
{
    bool wide = state.range(0) != 0;
    bool secondOrder = state.range(1) != 0;
    uint32_t values = wide ? DecodedBytes / 2 : DecodedBytes;
    Bytes pcm = music(values, wide);
    Bytes stream = wide ? it_compress16(pcm, secondOrder) : it_compress8(pcm, secondOrder);
    Bytes out(DecodedBytes);
    for (auto _ : state) {
        if (wide)
            it_decode16(out.data(), values, stream.data(), DecodedBytes, (uint32_t)stream.size(),
                        secondOrder);
        else
            it_decode8(out.data(), values, stream.data(), DecodedBytes, (uint32_t)stream.size(),
                       secondOrder);
        benchmark::ClobberMemory();
    }
    if (out != pcm)
        state.SkipWithError("decoded output differs");
    state.SetLabel(std::string(wide ? "16-bit" : "8-bit") + (secondOrder ? " 2.15" : " 2.14"));
    state.counters["ratio"] = (double)stream.size() / DecodedBytes;
    state.SetBytesProcessed((int64_t)state.iterations() * DecodedBytes);
}

static void BM_Memcpy(benchmark::State &state)
{
    Bytes src = noise(DecodedBytes, 3), dst(DecodedBytes);
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetLabel("memcpy of the decoded size");
    state.SetBytesProcessed((int64_t)state.iterations() * DecodedBytes);
}

// 250 compressed samples of about 30000 values, both widths and variants, with loops
// (libxmp takes at most 255 samples).
static const Bytes &large_module()
{
    static Bytes file;
    if (!file.empty())
        return file;
    ItSong song;
    song.name = "Large compressed module";
    song.cmwt = 0x215;
    song.orders = {0, 255};
    for (int i = 0; i < 250; i++) {
        bool wide = i % 2 != 0;
        bool secondOrder = i % 4 >= 2;
        Bytes pcm = music(30000 + 37 * (size_t)i, wide);
        ItSample s = it_compressed_sample("sample " + std::to_string(i), pcm, wide, secondOrder);
        s.flags |= 0x10;
        s.loopStart = 1000;
        s.loopEnd = 30000;
        song.samples.push_back(s);
    }
    file = write_it(song);
    return file;
}

static void BM_LoadAndExtractAll(benchmark::State &state)
{
    const Bytes &file = large_module();
    Bytes out;
    size_t decoded = 0;
    for (auto _ : state) {
        ModuleHandle h = VIRN_LoadModule(file.data(), (uint32_t)file.size());
        uint16_t n = VIRN_GetNumberOfSamples(h, 0);
        decoded = 0;
        for (uint16_t i = 0; i < n; i++) {
            uint32_t bytes = VIRN_GetSampleInfo(h, i)->byteLength;
            if (out.size() < bytes)
                out.resize(bytes);
            VIRN_GetSample(h, i, out.data());
            decoded += bytes;
        }
        VIRN_FreeModule(h);
        benchmark::ClobberMemory();
    }
    state.SetLabel("250 compressed samples, " + std::to_string(file.size() >> 10) + " KB");
    state.SetBytesProcessed((int64_t)(state.iterations() * decoded));
}

static void BM_LoadOnly(benchmark::State &state)
{
    const Bytes &file = large_module();
    for (auto _ : state) {
        ModuleHandle h = VIRN_LoadModule(file.data(), (uint32_t)file.size());
        benchmark::DoNotOptimize(h);
        VIRN_FreeModule(h);
    }
    state.SetLabel("catalog only");
}

#if HAVE_LIBXMP
static void BM_LibxmpLoad(benchmark::State &state)
{
    const Bytes &file = large_module();
    xmp_context ctx = xmp_create_context();
    for (auto _ : state) {
        int err = xmp_load_module_from_memory(ctx, (void *)file.data(), (long)file.size());
        if (err != 0) {
            state.SkipWithError("libxmp refused the module");
            break;
        }
        xmp_release_module(ctx);
    }
    xmp_free_context(ctx);
    state.SetLabel("libxmp load of the same module");
}
BENCHMARK(BM_LibxmpLoad)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_ItDecode)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1});
BENCHMARK(BM_LoadAndExtractAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOnly)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration so the comparison can be printed.
class RatioReporter : public benchmark::ConsoleReporter
{
  public:
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (!r.error_occurred)
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ours = reporter.times.find("BM_LoadAndExtractAll");
    auto theirs = reporter.times.find("BM_LibxmpLoad");
    if (ours != reporter.times.end() && theirs != reporter.times.end() && theirs->second > 0)
        printf("load + extract all / libxmp load: %.3f (%.2f ms / %.2f ms)\n",
               ours->second / theirs->second, ours->second, theirs->second);
    benchmark::Shutdown();
    return 0;
}
