#include "host_report.h"

#include "host_session.h"
#include "win_files.h"
#include "win_process.h"

#include <gtest/gtest.h>

#include <stdio.h>

static HostRun report(int status, const std::string &file)
{
    Bytes b = read_file(file);
    HostRun r{status, {}, std::string(b.begin(), b.end())};
    for (const std::string &line : lines_of(file)) {
        size_t colon = line.find(": ");
        if (colon != std::string::npos)
            r.values[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return r;
}

HostRun host(std::vector<std::string> args)
{
    std::string path = program_folder() + "\\host-output.txt";
    FILE *out = fopen(path.c_str(), "w+b");
    EXPECT_NE(nullptr, out);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    int status = host_run((int)argv.size(), argv.data(), out);
    fclose(out);
    return report(status, path);
}

HostRun host_program(const std::string &commandLine, const std::string &folder)
{
    std::string path = program_folder() + "\\host-program.txt";
    return report(run_program(commandLine, folder, path), path);
}

Bytes wav_data(const std::string &path, uint32_t rate, int channels, int bits)
{
    Bytes b = read_file(path);
    EXPECT_GE(b.size(), 44u) << path;
    if (b.size() < 44)
        return Bytes();
    // The canonical 44-byte header: RIFF, WAVE, a 16-byte PCM format chunk, data.
    uint32_t frame = (uint32_t)(channels * bits / 8), size = (uint32_t)b.size();
    Bytes header = text_of("RIFF");
    pack_le(header, "I", {size - 8});
    put_text(header, "WAVEfmt ", 8);
    pack_le(header, "IHHIIHH",
            {16, 1, (uint32_t)channels, rate, rate * frame, frame, (uint32_t)bits});
    put_text(header, "data", 4);
    pack_le(header, "I", {size - 44});
    EXPECT_TRUE(Bytes(b.begin(), b.begin() + 44) == header) << path;
    return Bytes(b.begin() + 44, b.end());
}
