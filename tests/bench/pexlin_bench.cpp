// Our deflate decoder against zlib's inflate on the same raw deflate streams (4 MB of text,
// of module-like binary data, of random bytes, which zlib stores). Ours runs as the archive
// walk runs it (run_member): a fresh state, input through the engine, the member's CRC-32,
// output into a newly allocated member buffer. zlib inflates into a buffer that
// stays allocated. Every iteration times all three, so machine noise hits them alike; the
// counters are the best of the iterations, in MB/s of output:
//   MB_s            ours
//   zlib_MB_s       zlib's inflate alone
//   zlib_crc_MB_s   zlib's inflate followed by zlib's crc32: the same work ours does
//   zlib_ratio, zlib_crc_ratio   ours divided by those (1.0 = as fast)
// The reported time is ours (manual timing).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <stdio.h>
#include <string>
#include <string.h>

#include "bench_data.h"
#include "crc32.h"
#include "pexlin_test_util.h"

namespace
{

Bytes data_for(int shape)
{
    return archive_data(shape, 4 << 20);
}

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void zlib_unpack(const Bytes &packed, Bytes &out, bool with_crc)
{
    z_stream z;
    memset(&z, 0, sizeof z);
    inflateInit2(&z, -15);
    z.next_in = (Bytef *)packed.data();
    z.avail_in = (uInt)packed.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (with_crc)
        benchmark::DoNotOptimize(crc32(0, out.data(), (uInt)out.size()));
}

bool ours_unpack(const Bytes &packed, uint32_t size)
{
    MemberHeader h = {8, 0, 0, (uint32_t)packed.size(), size};
    uint8_t *bytes;
    uint32_t length;
    run_member(packed.data(), (uint32_t)packed.size(), 0, h, &bytes, &length);
    page_free(bytes);
    return length == size;
}

void BM_PexlinInflate(benchmark::State &state)
{
    Bytes data = data_for((int)state.range(0));
    Bytes packed = zlib_deflate(data, 6);
    Bytes out(data.size());
    zlib_unpack(packed, out, false); // the first run faults the buffer's pages in
    double best = 1e9, zlib_alone = 1e9, zlib_crc = 1e9;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        zlib_unpack(packed, out, false);
        zlib_alone = std::min(zlib_alone, seconds_since(t0));
        t0 = std::chrono::steady_clock::now();
        zlib_unpack(packed, out, true);
        zlib_crc = std::min(zlib_crc, seconds_since(t0));
        t0 = std::chrono::steady_clock::now();
        if (!ours_unpack(packed, (uint32_t)data.size()))
            state.SkipWithError("decode failed");
        double s = seconds_since(t0);
        best = std::min(best, s);
        state.SetIterationTime(s);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
    state.SetLabel(archive_data_name((int)state.range(0)));
    state.counters["MB_s"] = data.size() / best / 1e6;
    state.counters["zlib_MB_s"] = data.size() / zlib_alone / 1e6;
    state.counters["zlib_crc_MB_s"] = data.size() / zlib_crc / 1e6;
    state.counters["zlib_ratio"] = zlib_alone / best;
    state.counters["zlib_crc_ratio"] = zlib_crc / best;
    state.counters["packed_pct"] = 100.0 * packed.size() / data.size();
}

// The CRC-32 alone, ours against zlib's, on 4 MB in cache.
void BM_Crc32(benchmark::State &state)
{
    Bytes data = noise(4 << 20, 5);
    double ours = 1e9, zlib = 1e9;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(crc32_bytes(0xFFFFFFFFu, data.data(), (uint32_t)data.size()));
        double s = seconds_since(t0);
        ours = std::min(ours, s);
        state.SetIterationTime(s);
        t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(crc32(0, data.data(), (uInt)data.size()));
        zlib = std::min(zlib, seconds_since(t0));
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
    state.counters["MB_s"] = data.size() / ours / 1e6;
    state.counters["zlib_MB_s"] = data.size() / zlib / 1e6;
    state.counters["zlib_ratio"] = zlib / ours;
}

void BM_ZlibInflate(benchmark::State &state)
{
    Bytes data = data_for((int)state.range(0));
    Bytes packed = zlib_deflate(data, 6);
    Bytes out(data.size());
    for (auto _ : state)
        zlib_unpack(packed, out, false);
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)data.size());
}

// The larger members of the shared archives, one per old method (and stored, as a floor).
struct OldMember {
    const char *archive;
    int method;
    uint16_t flags;
    uint32_t offset; // of the local header
};

const char *const OLD_ARCHIVES[] = {"m1_shrink_text", "m1_shrink_binary",  "m2_reduce1",
                                    "m5_reduce4",     "m6_implode_8k_lit", "m6_implode_4k_nolit"};

void BM_OldMethod(benchmark::State &state)
{
    // The first member of each archive, straight through extract_member.
    Bytes zip =
        read_file(std::string(PEXLIN_TESTDATA) + "/" + OLD_ARCHIVES[state.range(0)] + ".zip");
    if (zip.size() < 30) {
        state.SkipWithError("test archive missing");
        return;
    }
    auto le16 = [&](size_t at) { return (uint32_t)(zip[at] | zip[at + 1] << 8); };
    auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
    uint32_t size = le32(22), packed = le32(18);
    size_t data = 30 + le16(26) + le16(28);
    MemberHeader h = {(uint16_t)le16(8), (uint16_t)le16(6), le32(14), packed, size};
    Bytes out(size), copy(size);
    for (auto _ : state) {
        uint8_t *bytes;
        uint32_t length;
        if (run_member(zip.data(), (uint32_t)zip.size(), (uint32_t)data, h, &bytes, &length) !=
            StatusOk)
            state.SkipWithError("decode failed");
        page_free(bytes);
    }
    double per_run = 1e9;
    for (int i = 0; i < 50; i++) {
        auto t0 = std::chrono::steady_clock::now();
        memcpy(copy.data(), out.data(), size);
        benchmark::DoNotOptimize(copy.data());
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        per_run = s < per_run ? s : per_run;
    }
    state.SetBytesProcessed((int64_t)state.iterations() * size);
    state.SetLabel(std::string(OLD_ARCHIVES[state.range(0)]) + " method " +
                   std::to_string(le16(8)));
    state.counters["memcpy_MB_s"] = size / per_run / 1e6;
}

} // namespace

BENCHMARK(BM_OldMethod)->DenseRange(0, 5);

// 0 text, 1 binary, 2 random.
BENCHMARK(BM_PexlinInflate)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_Crc32)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ZlibInflate)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
