// The Windows benchmark (win_bench.exe, run under Wine by tests/bench/bench-windows): the
// deliverable DLLs timed through their public exports, in one process, best of RUNS runs.
#ifndef TESTS_BENCH_WIN_BENCH_H
#define TESTS_BENCH_WIN_BENCH_H

#include <stddef.h>

// The clock runs are timed with (win_run_clock.cpp): the thread's processor time where it
// can be read finely enough, wall time elsewhere; run_clock_name() says which.
double run_clock_seconds();
const char *run_clock_name();

// The shortest of the runs timed between start() and stop(): the run least disturbed by
// whatever else the machine was doing.
struct BestTime {
    double best = 1e30, started = 0;
    void start();
    void stop()
    {
        double s = run_clock_seconds() - started;
        best = s < best ? s : best;
    }
    double mb_per_s(size_t bytes) const
    {
        return (double)bytes / best / 1e6;
    }
};

// Each returns 0, or 1 after printing what went wrong.
int bench_pexlin_vs_zlib(int runs);
int bench_it_decode(int runs);

#endif
