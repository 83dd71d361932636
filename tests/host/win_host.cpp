// The test host with a tone plug-in of our own: what it writes to the WAV file, the
// record fields and hooks it fills, the messages its main window answers, and its
// commands, in this process and once as quorvel-host.exe itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "host_report.h"
#include "win_files.h"

namespace
{

const char Plugin[] = "in_tone.dll";
typedef int(__cdecl *ToneSample)(int);

std::string song(const std::string &name, const std::string &text)
{
    std::string path = program_folder() + "\\" + name;
    EXPECT_TRUE(write_file(path, Bytes(text.begin(), text.end())));
    return path;
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

Bytes wav_data(const std::string &path)
{
    return ::wav_data(path, 44100, 2, 16);
}

} // namespace

TEST(Host, PlaysTheWholeSongIntoAWavFile)
{
    std::string wav = program_folder() + "\\whole.wav";
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
        std::string wav = program_folder() + "\\options.wav";
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
    std::string log = program_folder() + "\\tone.log";
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
        {{Plugin, "play", program_folder() + "\\missing.tone"}, 1},
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
    std::string wav = program_folder() + "\\program.wav";
    std::string command = "\"" QUORVEL_HOST_EXE "\" " + std::string(Plugin) + " play \"" +
                          song("prog.tone", "700") + "\" -o \"" + wav + "\" --seek 200";
    HostRun r = host_program(command, program_folder());
    EXPECT_EQ(0, r.status) << r.text;
    EXPECT_TRUE(wav_data(wav) == tone(8820, 22050)); // 0.2 s to 0.7 s
}
