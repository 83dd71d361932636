// The test host with a tone plug-in of our own: what it writes to the WAV file, the
// record fields and hooks it fills, the messages its main window answers, and its
// commands, in this process and once as quorvel-host.exe itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "fixtures.h"
#include "host_session.h"

namespace
{

const char Plugin[] = "in_tone.dll";
typedef int(__cdecl *ToneSample)(int);

struct HostRun {
    int status;
    std::map<std::string, std::string> values; // "key: value" lines (the last of each key)
    std::string text;
};

std::string folder_of_test()
{
    char path[MAX_PATH];
    GetCurrentDirectoryA(sizeof path, path);
    return path;
}

HostRun parse_output(int status, const std::string &text)
{
    HostRun r{status, {}, text};
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t colon = line.find(": ");
        if (colon != std::string::npos)
            r.values[line.substr(0, colon)] = line.substr(colon + 2);
        at = end + 1;
    }
    return r;
}

HostRun host(std::vector<std::string> args)
{
    std::string outPath = folder_of_test() + "\\host-output.txt";
    FILE *out = fopen(outPath.c_str(), "w+b");
    EXPECT_NE(nullptr, out);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    int status = host_run((int)argv.size(), argv.data(), out);
    fclose(out);
    Bytes b = read_file(outPath);
    return parse_output(status, std::string(b.begin(), b.end()));
}

std::string song(const std::string &name, const std::string &text)
{
    std::string path = folder_of_test() + "\\" + name;
    EXPECT_TRUE(write_file(path, Bytes(text.begin(), text.end())));
    return path;
}

uint32_t le32(const Bytes &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

// The tone's frames [first, first + count) as the WAV data holds them, each `repeat` times.
Bytes tone(int first, int count, int repeat = 1)
{
    HMODULE dll = GetModuleHandleA(Plugin);
    if (!dll)
        dll = LoadLibraryA(Plugin);
    ToneSample sample = (ToneSample)(void *)GetProcAddress(dll, "tone_sample");
    Bytes b;
    for (int i = first; i < first + count; i++) {
        int16_t left = (int16_t)sample(i), right = (int16_t)-sample(i);
        for (int r = 0; r < repeat; r++) {
            put_le16(b, (uint16_t)left);
            put_le16(b, (uint16_t)right);
        }
    }
    return b;
}

// The WAV file's data, after checking its header says 44100 Hz, stereo, 16-bit.
Bytes wav_data(const std::string &path)
{
    Bytes b = read_file(path);
    EXPECT_GE(b.size(), 44u) << path;
    if (b.size() < 44)
        return Bytes();
    EXPECT_EQ(0, memcmp(b.data(), "RIFF", 4));
    EXPECT_EQ(b.size() - 8, le32(b, 4));
    EXPECT_EQ(0, memcmp(b.data() + 8, "WAVEfmt ", 8));
    EXPECT_EQ(0x00020001u, le32(b, 20));
    EXPECT_EQ(44100u, le32(b, 24));
    EXPECT_EQ(176400u, le32(b, 28));
    EXPECT_EQ(0x00100004u, le32(b, 32));
    EXPECT_EQ(b.size() - 44, le32(b, 40));
    return Bytes(b.begin() + 44, b.end());
}

} // namespace

TEST(Host, PlaysTheWholeSongIntoAWavFile)
{
    std::string wav = folder_of_test() + "\\whole.wav";
    HostRun r = host({Plugin, "play", song("one.tone", "1000"), "-o", wav});
    ASSERT_EQ(0, r.status) << r.text;
    EXPECT_EQ("Tone test plug-in", r.values["plug-in"]);
    EXPECT_EQ("0", r.values["play"]);
    EXPECT_EQ("1", r.values["end messages"]);
    EXPECT_EQ("1000", r.values["length"]);
    EXPECT_EQ("44100 2 16", r.values["format"]);
    EXPECT_EQ("1411 44 2", r.values["info"]);
    EXPECT_EQ("176400", r.values["played bytes"]);
    EXPECT_EQ("1", r.values["opens"]);
    EXPECT_EQ("1", r.values["closes"]);
    EXPECT_EQ("0", r.values["flushes"]);
    // 44100 frames in blocks of 576: 77 blocks, each shown to both visualisations.
    EXPECT_EQ("savsa 1/1 sa 77 vsa 77 setinfo 1 dsp 0", r.values["hooks"]);
    EXPECT_TRUE(wav_data(wav) == tone(0, 44100));
}

TEST(Host, OptionsShapeWhatIsHeard)
{
    struct Case {
        const char *what;
        std::vector<std::string> options;
        int first, count, repeat;
        const char *endMessages;
    } cases[] = {
        {"seek to 0.5 s: the output is flushed, what was written before is never heard",
         {"--seek", "500"},
         22050,
         22050,
         1,
         "1"},
        {"stopped after 1 s of a 3 s song", {"--seconds", "1"}, 0, 44100, 1, "0"},
        {"the DSP doubles every frame", {"--dsp"}, 0, 44100, 2, "1"},
        {"a pause changes nothing that is heard", {"--pause-at", "300"}, 0, 44100, 1, "1"},
    };
    for (const Case &c : cases) {
        std::string wav = folder_of_test() + "\\options.wav";
        std::vector<std::string> args = {
            Plugin, "play", song("opt.tone", c.endMessages[0] == '0' ? "3000" : "1000"), "-o", wav};
        args.insert(args.end(), c.options.begin(), c.options.end());
        HostRun r = host(args);
        ASSERT_EQ(0, r.status) << c.what << "\n" << r.text;
        EXPECT_EQ(c.endMessages, r.values["end messages"]) << c.what;
        Bytes data = wav_data(wav);
        EXPECT_EQ((size_t)c.count * 4 * c.repeat, data.size()) << c.what;
        EXPECT_TRUE(data == tone(c.first, c.count, c.repeat)) << c.what;
        if (c.options[0] == "--seek") {
            EXPECT_EQ("500", r.values["last flush"]) << r.text;
        }
        if (c.options[0] == "--pause-at") {
            EXPECT_EQ("1", r.values["paused"]) << r.text;
            EXPECT_EQ("1", r.values["resumed"]) << r.text;
            std::string t = r.values["played while paused"];
            size_t arrow = t.find(" -> ");
            ASSERT_NE(std::string::npos, arrow) << r.text;
            EXPECT_EQ(t.substr(0, arrow), t.substr(arrow + 4)) << "time went on while paused";
        }
    }
}

TEST(Host, InfoListsTitleLengthAndEnqueuedEntries)
{
    std::string one = song("info.tone", "2500");
    HostRun r = host({Plugin, "info", one});
    ASSERT_EQ(0, r.status) << r.text;
    EXPECT_EQ("tone info.tone", r.values["title"]);
    EXPECT_EQ("2500", r.values["length"]);
    EXPECT_EQ(0u, r.values.count("enqueued"));

    std::string list = song("list.tone", "list");
    r = host({Plugin, "info", list});
    EXPECT_NE(std::string::npos,
              r.text.find("enqueued: " + list + "<one\nenqueued: " + list + "<two\n"))
        << r.text;
}

TEST(Host, ConfigAboutAndInfoBoxReachThePlugin)
{
    std::string log = folder_of_test() + "\\tone.log";
    DeleteFileA(log.c_str());
    SetEnvironmentVariableA("TONE_LOG", log.c_str());
    EXPECT_EQ(0, host({Plugin, "config"}).status);
    EXPECT_EQ(0, host({Plugin, "about", "--ini-dir", "C:\\settings"}).status);
    HostRun r = host({Plugin, "infobox", "C:\\m\\x.tone"});
    SetEnvironmentVariableA("TONE_LOG", nullptr);
    EXPECT_EQ("0", r.values["infobox"]);
    Bytes b = read_file(log);
    EXPECT_EQ("init\nconfig\nquit\ninit\nabout\nquit\ninit\ninfobox C:\\m\\x.tone owned\nquit\n",
              std::string(b.begin(), b.end()));
}

TEST(Host, Failures)
{
    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{}, 2},
        {{Plugin}, 2},
        {{Plugin, "play"}, 2},
        {{Plugin, "dance", "x"}, 2},
        {{Plugin, "play", "x", "--seek", "-5"}, 2},
        {{Plugin, "config", "extra"}, 2},
        {{"no-such-plugin.dll", "config"}, 1},
        {{"kernel32.dll", "config"}, 1}, // a DLL, but no input plug-in
        {{Plugin, "play", folder_of_test() + "\\missing.tone"}, 1},
    };
    for (const Case &c : cases) {
        HostRun r = host(c.args);
        std::string joined;
        for (const std::string &a : c.args)
            joined += a + " ";
        EXPECT_EQ(c.status, r.status) << joined << "\n" << r.text;
    }
}

TEST(Host, TheProgramRendersAsTheLibraryDoes)
{
    std::string folder = folder_of_test();
    std::string wav = folder + "\\program.wav", out = folder + "\\program.txt";
    std::string command = "\"" QUORVEL_HOST_EXE "\" " + std::string(Plugin) + " play \"" +
                          song("prog.tone", "700") + "\" -o \"" + wav + "\" --seek 200";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = file;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               folder.c_str(), &si, &pi));
    CloseHandle(file);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 120000));
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    Bytes text = read_file(out);
    EXPECT_EQ(0u, code) << std::string(text.begin(), text.end());
    EXPECT_TRUE(wav_data(wav) == tone(8820, 22050)); // 0.2 s to 0.7 s
}
