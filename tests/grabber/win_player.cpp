// The player, heard through ALSA's file output (run-under-xvfb points the default device
// at GRABBER_CAPTURE): waveOut must write exactly the decoded PCM, DirectSound a 48 kHz
// float copy of it. Neither output is paced in real time, so nothing here measures time:
// waits only guard against hangs.
#include "win_harness.h"

#include "it_writer.h"

#include "app_state.h"
#include "player.h"
#include "resource.h"
#include "settings_format.h"
#include "stream_plan.h"

#include <commctrl.h>
#include <math.h>
#include <stdlib.h>

namespace
{

const char NoDevice[] = "Unable to open the sound device";
const DWORD HangGuardMs = 60000;

// Rows of the player module: 8-bit signed noise or 16-bit noise, loop points in frames.
struct Row {
    const char *name;
    uint8_t flags; // IT: 2 16-bit, 4 stereo, 0x10 loop, 0x40 ping-pong
    uint32_t rate, frames, loopStart, loopEnd;
};

const Row Rows[] = {
    {"mono8", 0x11, 8000, 3000, 1000, 1600},             // row 0
    {"stereo16", 0x17, 11025, 2000, 500, 1500},          // row 1
    {"pingpong", 0x51, 8000, 1000, 200, 700},            // row 2
    {"nointro", 0x11, 8000, 800, 0, 500},                // row 3
    {"longintro", 0x11, 8000, 40000, 39000, 39800},      // row 4: intro of ~5 s
    {"ds short intro", 0x17, 48000, 24000, 6000, 18000}, // row 5: I <= L
    {"ds long intro", 0x17, 48000, 60000, 40000, 55000}, // row 6: I > L
    {"ds odd loop", 0x11, 48000, 40001, 10000, 40001},   // row 7: L odd, 8-bit mono
};

Bytes player_module()
{
    ItSong song;
    song.name = "player";
    uint32_t seed = 1;
    for (const Row &r : Rows) {
        ItSample s;
        s.name = r.name;
        s.flags = r.flags;
        s.c5speed = r.rate;
        s.loopStart = r.loopStart;
        s.loopEnd = r.loopEnd;
        size_t bytes = r.frames * ((r.flags & 2) ? 2 : 1) * ((r.flags & 4) ? 2 : 1);
        s.data = noise(bytes, seed++);
        s.data[0] = s.data[1] = 0x40; // never silence at the start: it marks where sound begins
        song.samples.push_back(s);
    }
    return write_it(song);
}

std::string capture_folder()
{
    const char *unix = getenv("GRABBER_CAPTURE");
    std::string folder = "Z:";
    for (const char *p = unix ? unix : ""; *p; p++)
        folder += *p == '/' ? '\\' : *p;
    return folder;
}

class Player : public GrabberTest
{
  protected:
    HWND window = nullptr;
    HWND list = nullptr;

    void SetUp() override
    {
        GrabberTest::SetUp();
        ASSERT_NE(nullptr, getenv("GRABBER_CAPTURE")) << "run through run-under-xvfb";
        save(dir + "\\player.it", player_module());
        open_frame();
        window = open_one(dir + "\\player.it");
        list = list_of(window);
        // Full volume: waveOut then passes the PCM through untouched.
        use_output(WAVE_MAPPER_DEVICE, 0xFFFF);
    }

    void TearDown() override
    {
        if (g_app.playing)
            player_stop();
        wait_idle();
        GrabberTest::TearDown();
    }

    void use_output(uint32_t device, uint32_t volume)
    {
        g_app.outputDevice = device;
        g_app.outputVolume = volume;
    }

    ModuleWindowData *data()
    {
        return (ModuleWindowData *)GetWindowLongPtrA(window, GWLP_USERDATA);
    }

    Bytes pcm(int row)
    {
        Bytes b(data()->catalog[row].info.byteLength);
        VIRN_GetSample(data()->module, (unsigned)row, b.data());
        return b;
    }

    int play_image()
    {
        return (int)SendMessageA(g_app.toolbar, TB_GETBITMAP, IDM_PLAY, 0);
    }

    // Until every player thread has ended (a stopped play's too).
    void wait_idle()
    {
        DWORD start = GetTickCount();
        while ((player_threads_running() > 0 || g_app.playing) &&
               GetTickCount() - start < HangGuardMs) {
            pump();
            Sleep(5);
        }
        EXPECT_EQ(0, player_threads_running()) << "a player thread did not end";
    }

    void clear_captures()
    {
        for (const std::string &name : files_in(capture_folder()))
            DeleteFileA((capture_folder() + "\\" + name).c_str());
    }

    // The one capture file there is.
    Bytes captured(std::string *name = nullptr)
    {
        std::vector<std::string> names = files_in(capture_folder());
        EXPECT_EQ(1u, names.size());
        if (names.empty())
            return {};
        if (name)
            *name = names[0];
        return load(capture_folder() + "\\" + names[0]);
    }

    // Until the capture holds `bytes` bytes (a looped play goes on for ever).
    void wait_for_capture(size_t bytes)
    {
        DWORD start = GetTickCount();
        for (;;) {
            pump();
            std::vector<std::string> names = files_in(capture_folder());
            if (!names.empty()) {
                WIN32_FILE_ATTRIBUTE_DATA a;
                if (GetFileAttributesExA((capture_folder() + "\\" + names[0]).c_str(),
                                         GetFileExInfoStandard, &a) &&
                    a.nFileSizeLow >= bytes)
                    return;
            }
            if (GetTickCount() - start > HangGuardMs) {
                ADD_FAILURE() << "the capture never reached " << bytes << " bytes";
                return;
            }
            Sleep(5);
        }
    }

    // Plays the row once from the toolbar, to its end.
    void play_from_toolbar(int row)
    {
        focus_row(list, row);
        clear_captures();
        command(IDM_PLAY);
        wait_idle();
    }

    // Opens the sample info dialog on the row and hands it to `handler`, which closes it.
    void with_dialog(int row, DialogHandler handler)
    {
        focus_row(list, row);
        expect_dialog(handler);
        command(IDM_SAMPLEINFO);
    }
};

// The stream a looped play must produce: the intro, then the loop over and over.
Bytes intro_then_loops(const Bytes &pcm, uint32_t intro, uint32_t loop, size_t bytes)
{
    Bytes out(pcm.begin(), pcm.begin() + intro);
    while (out.size() < bytes)
        out.push_back(pcm[intro + (out.size() - intro) % loop]);
    return out;
}

// DirectSound's mixer hands ALSA 48 kHz stereo float: the PCM as it should come out,
// and what came out from the first sound on (the mixer starts with silence).
std::vector<float> as_mixed(const Bytes &pcm, bool sixteen, bool stereo)
{
    std::vector<float> out;
    size_t step = sixteen ? 2 : 1;
    for (size_t i = 0; i + step <= pcm.size(); i += step) {
        float v =
            sixteen ? (int16_t)(pcm[i] | pcm[i + 1] << 8) / 32768.0f : (pcm[i] - 128) / 128.0f;
        out.push_back(v);
        if (!stereo)
            out.push_back(v);
    }
    return out;
}

std::vector<float> sound_of(const Bytes &raw)
{
    std::vector<float> v(raw.size() / 4);
    memcpy(v.data(), raw.data(), v.size() * 4);
    size_t first = 0, end = v.size();
    while (first < end && v[first] == 0)
        first++;
    return std::vector<float>(v.begin() + first, v.end());
}

// Of n values of a from ai on and of b from bi on.
double correlation(const std::vector<float> &a, size_t ai, const std::vector<float> &b, size_t bi,
                   size_t n)
{
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n && ai + i < a.size() && bi + i < b.size(); i++) {
        ab += a[ai + i] * b[bi + i];
        aa += a[ai + i] * a[ai + i];
        bb += b[bi + i] * b[bi + i];
    }
    return aa > 0 && bb > 0 ? ab / sqrt(aa * bb) : 0;
}

// How many bytes at the start of `heard` are right.
size_t same_prefix(const Bytes &heard, const Bytes &expected)
{
    size_t n = 0;
    while (n < heard.size() && n < expected.size() && heard[n] == expected[n])
        n++;
    return n;
}

TEST_F(Player, OneShotWaveOutWritesExactlyThePcm)
{
    struct {
        int row;
        const char *file;
    } cases[] = {{0, "cap_8000_1_8_U8.raw"}, {1, "cap_11025_2_16_S16_LE.raw"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        focus_row(list, c.row);
        clear_captures();
        command(IDM_PLAY);
        EXPECT_EQ(7, play_image()); // the stop picture while it plays
        wait_idle();
        EXPECT_EQ(5, play_image());
        EXPECT_EQ(0, g_app.playing);
        std::string name;
        Bytes heard = captured(&name);
        EXPECT_EQ(c.file, name);
        EXPECT_TRUE(heard == pcm(c.row)) << heard.size() << " bytes heard";
    }
}

TEST_F(Player, LoopedWaveOutPlaysTheIntroThenWholeLoops)
{
    struct {
        int row;
        uint32_t intro, loop; // bytes of the PCM, the loop as heard
        bool pingPong;
    } cases[] = {
        {0, 1000, 600, false},
        {1, 2000, 4000, false},
        {2, 200, 1000, true}, // 500 forward, the same 500 backward
        {3, 0, 500, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.row);
        clear_captures();
        with_dialog(c.row, [&](HWND dialog) {
            click(dialog, IDC_PLAY_LOOPED);
            EXPECT_EQ("Stop", dialog_item_text(dialog, IDC_PLAY_LOOPED));
            wait_for_capture(c.intro + 3 * c.loop);
            click(dialog, IDC_PLAY_LOOPED);
            EXPECT_EQ("Play looped", dialog_item_text(dialog, IDC_PLAY_LOOPED));
            click(dialog, IDCANCEL);
        });
        wait_idle();
        Bytes source = pcm(c.row);
        if (c.pingPong) {
            Bytes back(source.begin() + c.intro, source.begin() + c.intro + c.loop / 2);
            source.resize(c.intro + c.loop / 2);
            source.insert(source.end(), back.rbegin(), back.rend());
        }
        Bytes heard = captured();
        ASSERT_GE(heard.size(), c.intro + 3 * c.loop);
        EXPECT_EQ(heard.size(),
                  same_prefix(heard, intro_then_loops(source, c.intro, c.loop, heard.size())));
    }
}

TEST_F(Player, DirectSoundPlaysOnceAndLooped)
{
    use_output(0, 0); // the primary device, full volume
    focus_row(list, 5);
    clear_captures();
    command(IDM_PLAY);
    wait_idle();
    std::vector<float> heard = sound_of(captured());
    std::vector<float> expected = as_mixed(pcm(5), true, true);
    size_t end = heard.size();
    while (end > 0 && heard[end - 1] == 0)
        end--;
    EXPECT_EQ(expected.size(), end);
    EXPECT_GT(correlation(heard, 0, expected, 0, expected.size()), 0.999);

    // Looped: the intro, then the loop for ever. Where the plan moves the play cursor
    // (an intro longer than the loop that does not end on a half), the device has
    // already mixed some of the old bytes it jumps over: up to 100 ms of them may sit
    // between the intro's part before the jump and the rest of the stream.
    struct {
        int row;
        uint32_t intro, loop; // bytes
        bool sixteen, stereo;
    } cases[] = {
        {5, 24000, 48000, true, true},   // I <= L
        {6, 160000, 60000, true, true},  // I > L, with the jump
        {7, 10000, 30001, false, false}, // odd L: its last byte plays on every pass
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.row);
        uint32_t frame = (c.sixteen ? 2 : 1) * (c.stereo ? 2 : 1);
        StreamPlan plan;
        ASSERT_TRUE(stream_plan(c.intro, c.loop, frame, &plan));
        size_t jumpAt = c.intro; // bytes of the stream before the cursor moves
        if (c.intro > c.loop && stream_write(&plan, plan.refills + 2).setPosition)
            jumpAt = stream_write(&plan, plan.refills + 1).source;
        const size_t at = jumpAt / frame * 2, gapMost = 4800 * 2, after = 2 * c.loop / frame * 2;
        clear_captures();
        with_dialog(c.row, [&](HWND dialog) {
            click(dialog, IDC_PLAY_LOOPED);
            wait_for_capture((480 * 2 + at + gapMost + after) * 4);
            click(dialog, IDC_PLAY_LOOPED);
            click(dialog, IDCANCEL);
        });
        wait_idle();
        std::vector<float> heard = sound_of(captured());
        std::vector<float> want =
            as_mixed(intro_then_loops(pcm(c.row), c.intro, c.loop, jumpAt + 3 * c.loop), c.sixteen,
                     c.stereo);
        ASSERT_GE(heard.size(), at + gapMost + after);
        EXPECT_GT(correlation(heard, 0, want, 0, at), 0.999);
        size_t gap = 0;
        while (gap < gapMost && correlation(heard, at + gap, want, at, 256) < 0.99)
            gap += 2;
        if (jumpAt == c.intro) {
            EXPECT_EQ(0u, gap);
        }
        EXPECT_LT(gap, gapMost);
        EXPECT_GT(correlation(heard, at + gap, want, at, after), 0.999) << "after a gap of " << gap;
    }
}

TEST_F(Player, AStopDuringTheWaveOutIntroIsHonoured)
{
    clear_captures();
    with_dialog(4, [&](HWND dialog) {
        click(dialog, IDC_PLAY_LOOPED);
        click(dialog, IDC_PLAY_LOOPED); // at once, while the intro plays
        click(dialog, IDCANCEL);
    });
    wait_idle(); // the thread ends without the loop ever starting
    Bytes intro = pcm(4);
    intro.resize(39000);
    // A part of the intro, then nothing but the silence the device adds when it stops.
    Bytes heard = files_in(capture_folder()).empty() ? Bytes() : captured();
    size_t played = same_prefix(heard, intro);
    EXPECT_EQ(Bytes(heard.size() - played, 0x80), Bytes(heard.begin() + played, heard.end()));
}

TEST_F(Player, ANewPlayNeverTouchesTheStoppedOne)
{
    // Started, stopped and started again before the first thread has ended: each has its
    // own stop event, so the second one still stops.
    with_dialog(0, [&](HWND dialog) {
        click(dialog, IDC_PLAY_LOOPED);
        click(dialog, IDC_PLAY_LOOPED);
        click(dialog, IDC_PLAY_LOOPED);
        EXPECT_EQ(1, g_app.playing);
        DWORD start = GetTickCount();
        while (player_threads_running() > 1 && GetTickCount() - start < HangGuardMs) {
            pump();
            Sleep(5);
        }
        EXPECT_EQ(1, g_app.playing); // the first one's end left the second's state alone
        EXPECT_EQ("Stop", dialog_item_text(dialog, IDC_PLAY_LOOPED));
        click(dialog, IDC_PLAY_LOOPED);
        click(dialog, IDCANCEL);
    });
    wait_idle();
}

TEST_F(Player, LoopsThatDoNotFitPlayOnceAndRateZeroPlaysNothing)
{
    struct {
        const char *loopStart, *loopEnd, *rate;
        uint32_t device;
    } cases[] = {
        {"1000", "3001", "8000", WAVE_MAPPER_DEVICE}, // beyond the sample's 3000 bytes
        {"1600", "1000", "8000", WAVE_MAPPER_DEVICE}, // start after end
        {"1000", "1001", "8000", 0},                  // one frame: no DirectSound halves
        {"1000", "1600", "0", WAVE_MAPPER_DEVICE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.loopStart << ".." << c.loopEnd << " @" << c.rate);
        use_output(c.device, c.device ? 0xFFFF : 0);
        clear_captures();
        bool rateZero = std::string(c.rate) == "0";
        with_dialog(0, [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_LOOP_START, c.loopStart);
            SetDlgItemTextA(dialog, IDC_LOOP_END, c.loopEnd);
            SetDlgItemTextA(dialog, IDC_RATE, c.rate);
            if (rateZero)
                expect_dialog(message_box("Virn",
                                          "This sample has the frequency 0: it cannot "
                                          "be played.",
                                          IDOK));
            click(dialog, IDC_PLAY_LOOPED);
            wait_idle(); // a one-shot play ends by itself and restores the button
            EXPECT_EQ("Play looped", dialog_item_text(dialog, IDC_PLAY_LOOPED));
            click(dialog, IDCANCEL);
        });
        if (rateZero)
            EXPECT_TRUE(files_in(capture_folder()).empty());
        else if (c.device == WAVE_MAPPER_DEVICE)
            EXPECT_TRUE(captured() == pcm(0));
        else
            EXPECT_EQ(1u, files_in(capture_folder()).size());
    }
}

TEST_F(Player, ADeviceThatCannotOpenIsReportedAndPlayCanStartAgain)
{
    for (uint32_t device : {WAVEOUT_DEVICE_BASE + 7, 0x12345678u}) { // no such devices
        SCOPED_TRACE(device);
        use_output(device, 0);
        for (int attempt = 0; attempt < 2; attempt++) {
            focus_row(list, 0);
            expect_dialog(message_box("Virn", NoDevice, IDOK));
            command(IDM_PLAY);
            wait_idle();
            EXPECT_EQ(0u, unanswered_dialogs()); // the second Play started again
            EXPECT_EQ(0, g_app.playing);
            EXPECT_EQ(5, play_image());
        }
    }
}

TEST_F(Player, ClosingTheWindowWhileItPlaysStillEndsThePlay)
{
    focus_row(list, 4); // about 5 s of sound, once
    command(IDM_PLAY);
    EXPECT_EQ(7, play_image());
    command(IDM_CLOSE);
    wait_idle();
    EXPECT_EQ(0, g_app.playing);
    EXPECT_EQ(5, play_image());
}

} // namespace
