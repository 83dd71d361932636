// `make bench`'s figures for the plug-in (tests/plugin/bench-plugin runs this under Wine):
// a song rendered to a WAV file through In_Quorvel.dll and the test host, beside the same
// song pulled from bass.dll directly in 576-frame blocks and written the same way, in
// seconds of music per second of wall time (the best of seven runs each by default), and per second
// of processor time of the whole process (all its threads), which other programs running
// on the machine disturb less.
//
//   plugin_bench [RUNS]
#include <windows.h>

#include <bass.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "fixtures.h"
#include "host_session.h"
#include "song_writer.h"
#include "win_files.h"

namespace
{

double now()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}

// Seconds of processor time this process has used, in user and kernel mode.
double processor()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    uint64_t k = (uint64_t)kernel.dwHighDateTime << 32 | kernel.dwLowDateTime;
    uint64_t u = (uint64_t)user.dwHighDateTime << 32 | user.dwLowDateTime;
    return (double)(k + u) / 1e7;
}

struct Best {
    double wall = 1e9, cpu = 1e9;
    double startWall = 0, startCpu = 0;
    void start()
    {
        startWall = now();
        startCpu = processor();
    }
    void stop()
    {
        wall = std::min(wall, now() - startWall);
        cpu = std::min(cpu, processor() - startCpu);
    }
};

// A quarter of an hour of four channels with notes on every other row.
Bytes bench_song()
{
    SongSpec s;
    s.title = "bench song";
    std::vector<SongNote> p;
    for (uint8_t row = 0; row < 64; row += 2)
        for (uint8_t c = 0; c < 4; c++)
            p.push_back({row, c, (uint8_t)(1 + (row + 7 * c) % 30), (uint8_t)(1 + c % 2)});
    s.speed = 12;
    for (int i = 0; i < 64; i++) {
        s.patterns.push_back(p);
        s.orders.push_back((uint8_t)i);
    }
    SongSample a;
    a.name = "sine";
    a.pcm = sine16(4000, 50, 12000);
    a.wide = true;
    a.loopLength = 4000;
    SongSample b;
    b.name = "noise";
    b.pcm = noise(6000, 5);
    b.loopStart = 1000;
    b.loopLength = 5000;
    s.samples = {a, b};
    return write_song_xm(s);
}

// The stand-in pulled directly, as the plug-in's decode thread pulls it, into a WAV file.
uint64_t render_direct(const Bytes &module, const std::string &wav)
{
    BASS_Stop();
    BASS_Free();
    BASS_Init(BASS_DEVICE_NONE, 44100, 0, nullptr);
    BASS_Start();
    uint8_t *image =
        (uint8_t *)VirtualAlloc(nullptr, module.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    memcpy(image, module.data(), module.size());
    DWORD music = BASS_MusicLoad(TRUE, image, 0, 0, 0x202000);
    VirtualFree(image, 0, MEM_RELEASE);
    FILE *f = fopen(wav.c_str(), "wb");
    uint8_t header[44] = {0};
    fwrite(header, 1, sizeof header, f);
    uint64_t total = 0;
    char block[576 * 4];
    for (;;) {
        DWORD n = BASS_ChannelGetData(music, block, sizeof block);
        if (n == (DWORD)-1 || n == 0)
            break;
        fwrite(block, 1, n, f);
        total += n;
    }
    fclose(f);
    BASS_Free();
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 7;
    std::string dir = program_folder(), song = dir + "\\bench.xm", wav = dir + "\\bench.wav";
    std::string log = dir + "\\bench-host.txt";
    Bytes module = bench_song();
    if (!write_file(song, module) || !write_file(dir + "\\Quorvel.cfg", Bytes())) {
        fprintf(stderr, "cannot write into %s\n", dir.c_str());
        return 1;
    }
    // A player loads its plug-ins once; the host loads and frees it on every run, and with
    // it the system DLLs only the plug-in uses. Held here, they stay loaded, and what is
    // timed is the render.
    LoadLibraryA("In_Quorvel.dll");
    Best host, direct;
    uint64_t bytes = 0;
    for (int i = 0; i < runs; i++) {
        direct.start();
        bytes = render_direct(module, wav);
        direct.stop();

        std::string args[] = {"In_Quorvel.dll", "play", song, "-o", wav};
        char *argv2[5];
        for (int k = 0; k < 5; k++)
            argv2[k] = &args[k][0];
        FILE *out = fopen(log.c_str(), "wb");
        host.start();
        int status = host_run(5, argv2, out);
        host.stop();
        fclose(out);
        if (status != 0) {
            fprintf(stderr, "quorvel-host failed (%d), see %s\n", status, log.c_str());
            return 1;
        }
    }
    double music = (double)bytes / (44100.0 * 4);
    printf("song: %.1f s of music, 44100 Hz 16-bit stereo, best of %d runs\n", music, runs);
    printf("                          s of music per second   per processor second\n");
    printf("bass.dll pulled directly: %12.1f %22.1f\n", music / direct.wall, music / direct.cpu);
    printf("In_Quorvel.dll and host:  %12.1f %22.1f\n", music / host.wall, music / host.cpu);
    printf("plug-in overhead:         %11.1f%% %21.1f%%\n", (host.wall / direct.wall - 1) * 100,
           (host.cpu / direct.cpu - 1) * 100);
    return 0;
}
