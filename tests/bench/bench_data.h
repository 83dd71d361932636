// The data the speed benchmarks decode, built from the fixtures' signals, so the native
// benchmarks and the Windows one under Wine time the same bytes.
#ifndef TESTS_BENCH_BENCH_DATA_H
#define TESTS_BENCH_BENCH_DATA_H

#include "fixtures.h"

#include <math.h>
#include <stdint.h>

// Module-like: 16-bit samples of a few instruments, a little noise, pattern-like rows.
inline Bytes module_like_data(size_t n)
{
    Bytes b = sine16(n / 4, 97);
    Bytes rows = ramp8(n / 4, 0, 4);
    b.insert(b.end(), rows.begin(), rows.end());
    Bytes hiss = noise(n / 8, 3);
    for (size_t i = 0; i < hiss.size(); i++)
        hiss[i] &= 0x0F;
    b.insert(b.end(), hiss.begin(), hiss.end());
    Bytes s2 = sine16(n / 16, 33, 9000);
    b.insert(b.end(), s2.begin(), s2.end());
    b.resize(n);
    return b;
}

// The three kinds of member an archive holds: prose, module data, and random bytes
// (which deflate stores).
enum ArchiveData { DataText, DataModule, DataRandom, ArchiveDataKinds };
inline const char *archive_data_name(int kind)
{
    static const char *const names[] = {"text", "binary", "random"};
    return names[kind];
}
inline Bytes archive_data(int kind, size_t n)
{
    return kind == DataText     ? word_text(n, 1)
           : kind == DataModule ? module_like_data(n)
                                : noise(n, 17);
}

// Something like music: two partials and a little noise, so IT's bit widths keep
// changing. `values` signed 8-bit values, or 16-bit little-endian ones when `wide`.
inline Bytes music(size_t values, bool wide)
{
    Bytes b;
    Bytes hiss = noise(values, 5);
    double scale = wide ? 12000.0 : 45.0;
    for (size_t i = 0; i < values; i++) {
        double t = (double)i;
        double v = scale * (sin(t / 23.0) + 0.6 * sin(t / 7.3)) * (0.5 + 0.5 * sin(t / 5000.0));
        int32_t x = (int32_t)lround(v) + ((int8_t)hiss[i] >> (wide ? 0 : 4)) * (wide ? 8 : 1);
        if (wide)
            put_le16(b, (uint32_t)(uint16_t)(int16_t)x);
        else
            put_u8(b, (uint32_t)(uint8_t)(int8_t)x);
    }
    return b;
}

#endif
