// The clock of the Windows benchmark. On a machine shared with other work (builds, other
// test runs) a run of 10 ms or more is seldom left alone for its whole wall time, and the
// slower of two decoders loses more of its runs that way than the faster one: best-of-N
// wall times then flatter the faster one. So runs are timed by the thread's own processor
// time where it can be read finely: under 32-bit Wine, Linux's per-thread clock through
// the kernel's 32-bit system call gate (Wine's GetThreadTimes counts in 10 ms ticks, and
// QueryThreadCycleTime is not there). Elsewhere (64-bit Wine, where a direct system call
// is taken for a Windows one, or Windows itself) wall time, with a fresh time slice
// before each run.
#include "win_bench.h"

#include <stdint.h>
#include <windows.h>

namespace
{

double wall_seconds()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}

#if defined(__i386__)
// clock_gettime(CLOCK_THREAD_CPUTIME_ID): i386 system call 265, clock 3. Negative when
// the call failed.
double linux_thread_seconds()
{
    struct {
        int32_t sec, nsec;
    } t = {0, 0};
    int32_t status;
    __asm__ volatile("int $0x80" : "=a"(status) : "a"(265), "b"(3), "c"(&t) : "memory");
    return status == 0 ? t.sec + t.nsec * 1e-9 : -1;
}
#endif

bool use_thread_clock()
{
#if defined(__i386__)
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") && linux_thread_seconds() >= 0;
#else
    return false;
#endif
}

const bool ThreadClock = use_thread_clock();

} // namespace

double run_clock_seconds()
{
#if defined(__i386__)
    if (ThreadClock)
        return linux_thread_seconds();
#endif
    return wall_seconds();
}

const char *run_clock_name()
{
    return ThreadClock ? "processor time of the thread" : "wall time";
}

void BestTime::start()
{
    if (!ThreadClock)
        Sleep(1); // a fresh time slice: on a busy machine fewer runs are cut short
    started = run_clock_seconds();
}
