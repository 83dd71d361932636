// The test host's commands with a probe plug-in of our own: the information it lists and
// the entries the plug-in enqueues through its main window, the calls that reach the
// plug-in, and the command lines it refuses. Its playback is proven with In_Quorvel.dll
// (tests/plugin/win_playback.cpp), byte for byte against the playback library.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "host_report.h"
#include "win_files.h"

static const char Plugin[] = "in_probe.dll";

TEST(Host, InfoListsTitleLengthAndEnqueuedEntries)
{
    std::string list = save(program_folder() + "\\list.probe", text_of("2500 list"));
    HostRun r = host({Plugin, "info", list});
    ASSERT_EQ(0, r.status) << r.text;
    EXPECT_EQ("probe list.probe", r.values["title"]);
    EXPECT_EQ("2500", r.values["length"]);
    EXPECT_NE(std::string::npos,
              r.text.find("enqueued: " + list + "<one\nenqueued: " + list + "<two\n"))
        << r.text;
}

TEST(Host, ConfigAboutAndInfoBoxReachThePlugin)
{
    std::string log = program_folder() + "\\probe.log";
    DeleteFileA(log.c_str());
    SetEnvironmentVariableA("PROBE_LOG", log.c_str());
    EXPECT_EQ(0, host({Plugin, "config"}).status);
    EXPECT_EQ(0, host({Plugin, "about", "--ini-dir", "C:\\settings"}).status);
    HostRun r = host({Plugin, "infobox", "C:\\m\\x.probe"});
    SetEnvironmentVariableA("PROBE_LOG", nullptr);
    EXPECT_EQ("0", r.values["infobox"]);
    Bytes b = read_file(log);
    EXPECT_EQ("init\nconfig\nquit\ninit\nabout\nquit\ninit\ninfobox C:\\m\\x.probe owned\nquit\n",
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
        {{Plugin, "play", program_folder() + "\\missing.probe"}, 1},
    };
    for (const Case &c : cases) {
        HostRun r = host(c.args);
        EXPECT_EQ(c.status, r.status) << testing::PrintToString(c.args) << "\n" << r.text;
    }
}
