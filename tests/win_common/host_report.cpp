#include "host_report.h"

#include "host_session.h"
#include "win_files.h"
#include "win_process.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

static HostRun report(int status, const std::string &file)
{
    Bytes b = read_file(file);
    HostRun r{status, {}, std::string(b.begin(), b.end())};
    for (size_t at = 0, end; at < r.text.size(); at = end + 1) {
        end = r.text.find('\n', at);
        if (end == std::string::npos)
            end = r.text.size();
        std::string line = r.text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') // gtest and Wine's consoles write CRLF
            line.pop_back();
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

static uint32_t le32(const Bytes &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

Bytes wav_data(const std::string &path, uint32_t rate, int channels, int bits)
{
    Bytes b = read_file(path);
    EXPECT_GE(b.size(), 44u) << path;
    if (b.size() < 44)
        return Bytes();
    uint32_t frame = (uint32_t)(channels * bits / 8);
    EXPECT_EQ(0, memcmp(b.data(), "RIFF", 4));
    EXPECT_EQ(b.size() - 8, le32(b, 4));
    EXPECT_EQ(0, memcmp(b.data() + 8, "WAVEfmt ", 8));
    EXPECT_EQ(1u | (uint32_t)channels << 16, le32(b, 20));
    EXPECT_EQ(rate, le32(b, 24));
    EXPECT_EQ(rate * frame, le32(b, 28));
    EXPECT_EQ(frame | (uint32_t)bits << 16, le32(b, 32));
    EXPECT_EQ(b.size() - 44, le32(b, 40));
    return Bytes(b.begin() + 44, b.end());
}
