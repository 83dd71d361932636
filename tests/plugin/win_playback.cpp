// In_Quorvel.dll itself (with bass.dll and pexlin.dll beside this program) played through
// the test host: through the host's command code in this process, once through
// quorvel-host.exe as a program, and through the record directly where a test needs the
// calls in between. Everything the plug-in delivers is compared with what bass.dll renders
// for the same settings when this program pulls it directly.
#include "win_harness.h"

#include "host_report.h"

#include "host_session.h"
#include "reference_cases.h"
#include "song_writer.h"
#include "wav_output.h"
#include "win_helpers.h"
#include "winamp_records.h"
#include "zip_writer.h"

#include <stdlib.h>

namespace
{

const char Plugin[] = "In_Quorvel.dll";

struct Config {
    uint32_t rate = 44100;
    bool eightBit = false, mono = false, libraryOutput = false;
};

// Quorvel.cfg beside this program, where the plug-in reads it at Init.
void write_settings(const Config &c)
{
    Bytes b;
    put_le32(b, 0x2000u | (c.libraryOutput ? 0 : 0x200000u) | (c.mono ? 0x40u : 0));
    put_le32(b, c.rate);
    put_u8(b, c.eightBit ? 8 : 16);
    put_le32(b, c.eightBit ? 1 : 0);
    put_u8(b, c.mono ? 1 : 2);
    put_u8(b, c.libraryOutput ? 1 : 0);
    ASSERT_TRUE(write_file(program_folder() + "\\Quorvel.cfg", b));
}

// The whole song as bass.dll renders it for these settings, from `second` on.
Bytes rendered(const Bytes &module, const Config &c, int second = 0)
{
    DWORD music = load_song(module, 0x202000u | (c.mono ? 0x40u : 0), c.rate, c.eightBit ? 1 : 0);
    EXPECT_NE(0u, music);
    if (second)
        BASS_ChannelSetPosition(music, BASS_POS_SECONDS(second));
    Bytes b = pull_all(music);
    BASS_Free();
    return b;
}

Bytes doubled_frames(const Bytes &pcm, int frameBytes)
{
    Bytes b;
    for (size_t at = 0; at + frameBytes <= pcm.size(); at += frameBytes)
        for (int twice = 0; twice < 2; twice++)
            b.insert(b.end(), pcm.begin() + at, pcm.begin() + at + frameBytes);
    return b;
}

// The plug-in loaded and driven through its record, as the host does it, for the tests
// that need calls between Play and Stop.
struct Session {
    HMODULE dll;
    In_Module *m;
    explicit Session(const std::string &settingsDir)
    {
        host_window_create(settingsDir.c_str());
        m = host_load_plugin(Plugin, &dll);
        if (!m)
            return;
        WavOutputOptions options = {nullptr, 0, false, false};
        wav_output_configure(&options);
        m->Init();
    }
    ~Session()
    {
        if (m)
            m->Quit();
        if (dll)
            FreeLibrary(dll);
        host_pump();
    }
    // Pumps the host's window and plays the output for `ms`, or until the end message.
    void run(DWORD ms, bool untilEnd = true)
    {
        DWORD start = GetTickCount();
        while (!(untilEnd && g_host.endMessages) && GetTickCount() - start < ms) {
            host_pump();
            wav_output_play();
            Sleep(1);
        }
    }
};

class Playback : public testing::Test
{
  protected:
    std::string dir;
    void SetUp() override
    {
        dir = work_folder();
        write_settings(Config());
    }
    void TearDown() override
    {
        EXPECT_EQ(0u, unanswered_dialogs());
        DeleteFileA((program_folder() + "\\Quorvel.cfg").c_str());
    }
    std::string save(const std::string &name, const Bytes &bytes)
    {
        return ::save(dir + "\\" + name, bytes);
    }
};

} // namespace

// The whole song through the host's output: sample for sample what the library renders,
// one end message, the length and the position the blocks add up to at each rate (576
// frames a block: 13 ms at 44100 Hz, 12 at 48000, 26 at 22050).
TEST_F(Playback, WholeSongsAreWhatTheLibraryRenders)
{
    struct Case {
        const char *what, *song;
        Config config;
        bool dsp;
        int step;
    } cases[] = {
        {"44100 Hz, 16-bit stereo", "xm_flow", {}, false, 13},
        {"48000 Hz and a DSP doubling every frame", "mod_flow", {48000}, true, 12},
        {"22050 Hz, 8-bit mono", "s3m_flow", {22050, true, true}, false, 26},
    };
    for (const Case &c : cases) {
        write_settings(c.config);
        Bytes module = playable_song(c.song);
        Bytes expected = rendered(module, c.config);
        std::string wav = dir + "\\whole.wav";
        std::vector<std::string> args = {Plugin, "play", save("song.mod", module), "-o", wav};
        if (c.dsp)
            args.push_back("--dsp");
        HostRun r = host(args);
        ASSERT_EQ(0, r.status) << c.what << "\n" << r.text;
        int channels = c.config.mono ? 1 : 2, frameBytes = channels * (c.config.eightBit ? 1 : 2);
        size_t frames = expected.size() / frameBytes, blocks = (frames + 575) / 576;
        EXPECT_TRUE(wav_data(wav, c.config.rate, channels, c.config.eightBit ? 8 : 16) ==
                    (c.dsp ? doubled_frames(expected, frameBytes) : expected))
            << c.what;
        std::string n = std::to_string(blocks), report;
        for (const char *key :
             {"end messages", "length", "output time", "opens", "closes", "info", "hooks"})
            report += r.values[key] + "|";
        EXPECT_EQ("1|" + std::to_string(frames / c.config.rate * 1000) + "|" +
                      std::to_string(blocks * c.step) + "|1|1|" +
                      std::to_string(8 * frameBytes * c.config.rate / 1000) + " " +
                      std::to_string(c.config.rate / 1000) + " " + std::to_string(channels) +
                      "|savsa 1/1 sa " + n + " vsa " + n + " setinfo 1 dsp " + (c.dsp ? n : "0") +
                      "|",
                  report)
            << c.what;
    }
}

// A seek to 61.5 s goes on from second 61 and flushes the output with 61,000; a pause
// holds what is played and changes nothing that is heard.
TEST_F(Playback, SeekAndPause)
{
    // A song long enough to seek past a minute: two patterns at 31 ticks a row, 79 s.
    SongSpec song;
    song.speed = 31;
    std::vector<SongNote> p;
    for (uint8_t row = 0; row < 64; row += 2)
        p.push_back({row, (uint8_t)(row % 3), (uint8_t)(1 + row % 25), (uint8_t)(1 + row % 2)});
    song.patterns = {p, p};
    song.orders = {0, 1};
    song.samples = {{"sine", sine8(2000, 50, 80), false, 0, 2000}, {"noise", noise(1500, 3)}};
    Bytes module = write_song_xm(song);
    std::string file = save("long.xm", module), wav = dir + "\\seek.wav";
    HostRun r = host({Plugin, "play", file, "-o", wav, "--seek", "61500", "--seconds", "2"});
    ASSERT_EQ(0, r.status) << r.text;
    EXPECT_EQ("1", r.values["flushes"]);
    EXPECT_EQ("61000", r.values["last flush"]);
    Bytes expected = rendered(module, Config(), 61);
    ASSERT_GE(expected.size(), 2u * 176400);
    expected.resize(2 * 176400);
    EXPECT_TRUE(wav_data(wav, 44100, 2, 16) == expected);

    Bytes shortSong = playable_song("xm_flow");
    r = host({Plugin, "play", save("short.xm", shortSong), "-o", wav, "--pause-at", "300"});
    ASSERT_EQ(0, r.status) << r.text;
    EXPECT_EQ("1", r.values["paused"]);
    EXPECT_EQ("1", r.values["resumed"]);
    std::string t = r.values["played while paused"];
    size_t arrow = t.find(" -> ");
    ASSERT_NE(std::string::npos, arrow) << r.text;
    EXPECT_EQ(t.substr(0, arrow), t.substr(arrow + 4)) << "sound went on while paused";
    EXPECT_TRUE(wav_data(wav, 44100, 2, 16) == rendered(shortSong, Config()));
    EXPECT_EQ("1", r.values["end messages"]);
}

// Volume and pan reach the output module; the current song's title and length; Stop without
// Play, a second Stop and Quit after a failed Play change nothing; a file that is no
// module says so, a missing one does not.
TEST_F(Playback, EntryPointsAroundASong)
{
    std::string module = save("song.xm", playable_song("xm_flow"));
    std::string text = save("notes.xm", word_text(3000, 2));
    {
        Session s(dir);
        ASSERT_NE(nullptr, s.m);
        EXPECT_EQ(0, s.m->IsOurFile((char *)module.c_str()));
        s.m->Stop();
        EXPECT_EQ(-1, s.m->Play((char *)(dir + "\\missing.xm").c_str()));
        expect_dialog(message_box("Quorvel", "Unable to load song", IDOK));
        EXPECT_EQ(-1, s.m->Play((char *)text.c_str()));
        s.m->Stop();
        WavOutputStats w = wav_output_stats();
        EXPECT_EQ(0, w.opens + w.closes);
        EXPECT_EQ(0, g_host.hooks.savsaInit + g_host.hooks.savsaDeInit);
    } // Quit after the failed Play

    Session s(dir);
    ASSERT_EQ(0, s.m->Play((char *)module.c_str()));
    s.m->SetVolume(200);
    s.m->SetPan(-40);
    WavOutputStats w = wav_output_stats();
    EXPECT_EQ(2, w.volumeCalls) << "the host's current volume (-666), then 200";
    EXPECT_EQ(200, w.lastVolume);
    EXPECT_EQ(-40, w.lastPan);
    char title[2048] = "";
    int length = -1;
    s.m->GetFileInfo(nullptr, title, &length);
    EXPECT_STREQ("xm flow", title);
    EXPECT_EQ(s.m->GetLength(), length);
    EXPECT_GT(length, 0);
    s.m->Stop();
    s.m->Stop();
    w = wav_output_stats();
    EXPECT_EQ(1, w.opens);
    EXPECT_EQ(1, w.closes);
    EXPECT_EQ(1, g_host.hooks.savsaDeInit);
    EXPECT_EQ(0, g_host.endMessages);
}

// File information: a module's title and millisecond length, the file name for a song
// without a name, nothing for a file that is no module; every query's song is released
// again (the library holds at most 64 at a time).
TEST_F(Playback, FileInformation)
{
    Config c;
    Bytes named = playable_song("s3m_flow");
    size_t bytes = rendered(named, c).size();
    Bytes unnamed = playable_song("xm_flow");
    std::fill(unnamed.begin() + 17, unnamed.begin() + 37, 0); // the song's name
    struct Case {
        std::string file, title;
        int length;
    } cases[] = {
        {save("named.s3m", named), "s3m flow", (int)(bytes * 1000 / (c.rate * 4))},
        {save("unnamed.xm", unnamed), dir + "\\unnamed.xm", -2},
        {save("text.it", word_text(5000, 4)), "", 0},
        {dir + "\\missing.it", "", 0},
    };
    Session s(dir);
    for (int round = 0; round < 70; round++) {
        for (const Case &k : cases) {
            char title[2048] = "?";
            int length = -1;
            s.m->GetFileInfo((char *)k.file.c_str(), title, &length);
            ASSERT_EQ(k.title, title) << k.file << " in round " << round;
            if (k.length == -2)
                EXPECT_GT(length, 0) << k.file;
            else // the length is counted in a float of seconds
                EXPECT_NEAR(k.length, length, 1) << k.file;
        }
    }
}

// A zipped module: its information lists the members as playlist entries, an entry plays
// the member's bytes from the list, and after a restart (quorvel-host.exe, a fresh
// process) it is extracted on demand. (Archives made by Info-ZIP are the archive
// library's own tests.)
TEST_F(Playback, PackedModulesEndToEnd)
{
    Bytes mod = playable_song("mod_flow");
    Bytes zip = zip_write({{"SONG.MOD", mod, 8}, {"B.XM", playable_song("xm_flow"), 8}});
    std::string archive = save("song.mdz", zip);
    Bytes expected = rendered(mod, Config());
    std::string entry = archive + "<SONG.MOD", wav = dir + "\\member.wav";
    {
        Session s(dir);
        char title[2048] = "";
        int length = -1;
        s.m->GetFileInfo((char *)archive.c_str(), title, &length);
        EXPECT_STREQ("**********song.mdz**********", title);
        EXPECT_EQ(0, length);
        EXPECT_EQ((std::vector<std::string>{archive + "<SONG.MOD", archive + "<B.XM"}),
                  g_host.enqueued);
        // The member is played from the list: the archive is gone.
        ASSERT_TRUE(DeleteFileA(archive.c_str()));
        WavOutputOptions options = {wav.c_str(), 0, false, true};
        wav_output_configure(&options);
        ASSERT_EQ(0, s.m->Play((char *)entry.c_str()));
        s.run(60000);
        s.m->Stop();
        EXPECT_EQ(1, g_host.endMessages);
        EXPECT_TRUE(wav_data(wav, 44100, 2, 16) == expected);
    }
    save("song.mdz", zip);
    write_settings(Config());
    HostRun r = host_program("\"" + program_folder() + "\\quorvel-host.exe\" " + Plugin +
                                 " play \"" + entry + "\" -o \"" + wav + "\"",
                             program_folder());
    EXPECT_EQ(0, r.status) << r.text;
    EXPECT_EQ("1", r.values["end messages"]) << r.text;
    EXPECT_TRUE(wav_data(wav, 44100, 2, 16) == expected);
}

// The library's own output (ALSA's file output through HOME's .asoundrc, see
// CMakeLists.txt): the timer ends the song with one end message, pausing stops the timer,
// the host's output stays closed. What the device plays, byte for byte, is bass.dll's own
// test (win_output.cpp, the same song and format).
TEST_F(Playback, LibraryOutput)
{
    const char *captures = getenv("PLUGIN_CAPTURE_DIR");
    ASSERT_NE(nullptr, captures) << "PLUGIN_CAPTURE_DIR is not set";
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "no waveOut device: is HOME/.asoundrc read?";
    empty_folder(captures);
    write_settings({22050, true, true, true});
    Session s(dir);
    ASSERT_EQ(0, s.m->Play((char *)save("own.xm", playable_song("xm_flow")).c_str()));
    s.m->Pause();
    int before = s.m->GetOutputTime();
    s.run(2500, false);
    EXPECT_EQ(0, g_host.endMessages) << "the timer ran while paused";
    EXPECT_EQ(before, s.m->GetOutputTime());
    s.m->UnPause();
    s.run(60000);
    EXPECT_EQ(1, g_host.endMessages);
    s.run(1500, false);
    EXPECT_EQ(1, g_host.endMessages) << "the timer went on after the end";
    s.m->Stop();
    EXPECT_EQ(0, wav_output_stats().opens);
    EXPECT_EQ(1, g_host.hooks.savsaInit);
    EXPECT_EQ(1, g_host.hooks.savsaDeInit);
    EXPECT_FALSE(joined_files(captures).empty());
}
