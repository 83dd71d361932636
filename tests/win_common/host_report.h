// The test host's commands run in this process or as quorvel-host.exe, their report
// ("key: value" lines) and the WAV files they write, read back.
#ifndef TESTS_WIN_COMMON_HOST_REPORT_H
#define TESTS_WIN_COMMON_HOST_REPORT_H

#include <map>
#include <string>
#include <vector>

#include "fixtures.h"

struct HostRun {
    int status;
    std::map<std::string, std::string> values; // the last value of each key
    std::string text;
};

// The host's command code in this process; the report goes through a file beside it.
HostRun host(std::vector<std::string> args);
// quorvel-host.exe (or another program writing the same report) as a process of its own.
HostRun host_program(const std::string &commandLine, const std::string &folder);
// A WAV file's PCM, after checking that its header describes it in this format.
Bytes wav_data(const std::string &path, uint32_t rate, int channels, int bits);

#endif
