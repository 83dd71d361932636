// win_bench [RUNS] [pexlin|it]: pexlin.dll against zlib, and IT sample decompression
// through VIRN.dll, both loaded from beside the program (tests/bench/bench-windows runs
// it under Wine). RUNS defaults to 40; without a part name both parts run.
#include "win_bench.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 40;
    const char *part = argc > 2 ? argv[2] : "";
    if (runs < 1) {
        fprintf(stderr, "usage: win_bench [RUNS] [pexlin|it]\n");
        return 2;
    }
    printf("Windows benchmark: %d-bit build, best of %d runs in %s\n", (int)sizeof(void *) * 8,
           runs, run_clock_name());
    int failed = 0;
    if (!*part || !strcmp(part, "pexlin"))
        failed |= bench_pexlin_vs_zlib(runs);
    if (!*part || !strcmp(part, "it"))
        failed |= bench_it_decode(runs);
    return failed;
}
