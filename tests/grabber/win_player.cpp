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

#include <algorithm>
#include <math.h>
#include <stdlib.h>

namespace
{

// Rows of the player module: noise, loop points in frames.
struct Row {
    uint8_t flags; // IT: 2 16-bit, 4 stereo, 0x10 loop, 0x40 ping-pong
    uint32_t rate, frames, loopStart, loopEnd;
} const Rows[] = {
    {0x11, 8000, 3000, 1000, 1600},    // 0
    {0x17, 11025, 2000, 500, 1500},    // 1
    {0x51, 8000, 1000, 200, 700},      // 2: ping-pong
    {0x11, 8000, 800, 0, 500},         // 3: no intro
    {0x11, 8000, 40000, 39000, 39800}, // 4: a long intro
    // DirectSound: loops of a second, so that a busy machine still refills every half
    // before the mixer gets there.
    {0x17, 48000, 72000, 24000, 72000},    // 5: I <= L
    {0x17, 48000, 170000, 122000, 170000}, // 6: I > L
    {0x11, 48000, 58001, 10000, 58001},    // 7: L odd
};

// The stream a looped play must produce: the intro, then the loop over and over.
Bytes intro_then_loops(const Bytes &pcm, uint32_t intro, uint32_t loop, size_t bytes)
{
    Bytes out(pcm.begin(), pcm.begin() + intro);
    while (out.size() < bytes)
        out.push_back(pcm[intro + (out.size() - intro) % loop]);
    return out;
}

class Player : public GrabberTest
{
  protected:
    HWND window = nullptr, list = nullptr;
    std::string captures = "Z:"; // the capture folder, a Unix path

    void SetUp() override
    {
        GrabberTest::SetUp();
        ASSERT_NE(nullptr, getenv("GRABBER_CAPTURE")) << "run through run-under-xvfb";
        captures += win_path(getenv("GRABBER_CAPTURE"));
        ItSong song;
        for (const Row &r : Rows) {
            Bytes data =
                noise(r.frames * ((r.flags & 2) ? 2 : 1) * ((r.flags & 4) ? 2 : 1), r.frames);
            data[0] = data[1] = 0x40; // sound from the first value: it marks the start
            song.samples.push_back({"", data, r.flags, 1, -1, r.loopStart, r.loopEnd, r.rate});
        }
        save(dir + "\\player.it", write_it(song));
        open_frame();
        list = list_of(window = open_one(dir + "\\player.it"));
        g_app.outputDevice = WAVE_MAPPER_DEVICE;
        g_app.outputVolume = 0xFFFF; // full volume: waveOut passes the PCM untouched
    }

    void TearDown() override
    {
        player_stop();
        wait_idle();
        GrabberTest::TearDown();
    }

    Bytes pcm(int row)
    {
        const ModuleWindowData *d = (ModuleWindowData *)GetWindowLongPtrA(window, GWLP_USERDATA);
        Bytes b(d->catalog[row].info.byteLength);
        VIRN_GetSample(d->module, (unsigned)row, b.data());
        return b;
    }

    int play_image()
    {
        return (int)SendMessageA(g_app.toolbar, TB_GETBITMAP, IDM_PLAY, 0);
    }

    void pump_until(std::function<bool()> done)
    {
        for (DWORD start = GetTickCount(); !done(); Sleep(5), pump())
            if (GetTickCount() - start > 60000)
                return (void)(ADD_FAILURE() << "hangs");
    }

    void wait_idle()
    {
        pump_until([] { return player_threads_running() == 0 && !g_app.playing; });
    }

    // The one capture file ("" while there is none), and what it holds.
    std::string capture()
    {
        std::vector<std::string> names = files_in(captures);
        EXPECT_LE(names.size(), 1u);
        return names.empty() ? "" : captures + "\\" + names[0];
    }

    Bytes heard()
    {
        return read_file(capture());
    }

    // Play looped in the dialog until `bytes` are heard, then stop.
    void play_looped(int row, uint32_t bytes)
    {
        empty_folder(captures);
        sample_info(list, row, [&](HWND dialog) {
            click(dialog, IDC_PLAY_LOOPED);
            EXPECT_EQ("Stop", dialog_item_text(dialog, IDC_PLAY_LOOPED));
            WIN32_FILE_ATTRIBUTE_DATA a = {};
            pump_until([&] {
                return GetFileAttributesExA(capture().c_str(), GetFileExInfoStandard, &a) &&
                       a.nFileSizeLow >= bytes;
            });
            click(dialog, IDC_PLAY_LOOPED);
            EXPECT_EQ("Play looped", dialog_item_text(dialog, IDC_PLAY_LOOPED));
            click(dialog, IDCANCEL);
        });
        wait_idle();
    }
};

TEST_F(Player, WaveOutWritesThePcmOnceOrTheIntroThenWholeLoops)
{
    struct {
        int row;
        uint32_t intro, loop; // bytes, the loop as heard; no loop: once, from the toolbar
        const char *file;
    } cases[] = {
        {0, 0, 0, "cap_8000_1_8_U8.raw"},
        {1, 0, 0, "cap_11025_2_16_S16_LE.raw"},
        {0, 1000, 600, nullptr},
        {1, 2000, 4000, nullptr},
        {2, 200, 1000, nullptr}, // ping-pong: 500 bytes forward, the same backward
        {3, 0, 500, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << " " << c.loop);
        Bytes source = pcm(c.row);
        if (!c.loop) {
            focus_row(list, c.row);
            empty_folder(captures);
            command(IDM_PLAY);
            EXPECT_EQ(7, play_image()); // the stop picture while it plays
            wait_idle();
            EXPECT_EQ(5, play_image());
            EXPECT_EQ(captures + "\\" + c.file, capture());
            EXPECT_EQ(source, heard());
            continue;
        }
        play_looped(c.row, c.intro + 3 * c.loop);
        if (c.row == 2) {
            source.resize(c.intro + c.loop / 2);
            Bytes back(source.rbegin(), source.rbegin() + c.loop / 2);
            source.insert(source.end(), back.begin(), back.end());
        }
        // What was heard before the stop, then the silence the device adds as it stops.
        Bytes got = heard(), expected = intro_then_loops(source, c.intro, c.loop, got.size());
        size_t right = std::mismatch(got.begin(), got.end(), expected.begin()).first - got.begin();
        EXPECT_GE(right, c.intro + 3 * c.loop);
        EXPECT_EQ(Bytes(got.size() - right, c.row == 1 ? 0 : 0x80),
                  Bytes(got.begin() + right, got.end()));
    }
}

// DirectSound's mixer hands ALSA 48 kHz stereo float: the PCM as it should come out.
std::vector<float> as_mixed(const Bytes &pcm, bool sixteen, bool stereo)
{
    std::vector<float> out;
    for (size_t i = 0; i + sixteen < pcm.size(); i += 1 + sixteen) {
        float v =
            sixteen ? (int16_t)(pcm[i] | pcm[i + 1] << 8) / 32768.0f : (pcm[i] - 128) / 128.0f;
        out.insert(out.end(), stereo ? 1 : 2, v);
    }
    return out;
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

TEST_F(Player, DirectSoundPlaysOnceAndLooped)
{
    g_app.outputDevice = 0; // the primary device, full volume
    g_app.outputVolume = 0;
    // What came out, from the first sound on (the mixer starts with silence), up to the
    // last sound.
    auto sound = [&]() {
        Bytes raw = heard();
        std::vector<float> v(raw.size() / 4);
        memcpy(v.data(), raw.data(), v.size() * 4);
        size_t first = 0, end = v.size();
        while (first < end && v[first] == 0)
            first++;
        while (end > first && v[end - 1] == 0)
            end--;
        return std::vector<float>(v.begin() + first, v.begin() + end);
    };
    focus_row(list, 5);
    empty_folder(captures);
    command(IDM_PLAY);
    wait_idle();
    std::vector<float> played = sound(), expected = as_mixed(pcm(5), true, true);
    EXPECT_EQ(expected.size(), played.size());
    EXPECT_GT(correlation(played, 0, expected, 0, expected.size()), 0.999);

    // Looped: the intro, then the loop for ever. Where the plan moves the play cursor
    // (an intro longer than the loop that does not end on a half), the mixer has already
    // taken some of the old bytes it jumps over: up to 100 ms of them may come between
    // the stream before the jump and the rest.
    struct {
        int row;
        uint32_t intro, loop, frame; // bytes
    } cases[] = {{5, 96000, 192000, 4}, {6, 488000, 192000, 4}, {7, 10000, 48001, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.row);
        StreamPlan plan;
        ASSERT_TRUE(stream_plan(c.intro, c.loop, c.frame, &plan));
        size_t jumpAt = c.intro;
        if (c.intro > c.loop && stream_write(&plan, plan.refills + 2).setPosition)
            jumpAt = stream_write(&plan, plan.refills + 1).source;
        // In values of the capture (two a frame); the sound comes after up to a quarter
        // of a second of silence.
        const size_t at = jumpAt / c.frame * 2, gapMost = 4800 * 2, after = c.loop / c.frame * 4;
        play_looped(c.row, (uint32_t)(48000 + at + gapMost + after) * 4);
        played = sound();
        expected = as_mixed(intro_then_loops(pcm(c.row), c.intro, c.loop, jumpAt + 3 * c.loop),
                            c.frame == 4, c.frame == 4);
        ASSERT_GE(played.size(), at + gapMost + after);
        EXPECT_GT(correlation(played, 0, expected, 0, at), 0.999);
        size_t gap = 0;
        while (gap < gapMost && correlation(played, at + gap, expected, at, 256) < 0.99)
            gap += 2;
        EXPECT_EQ(jumpAt == c.intro, gap == 0) << gap;
        EXPECT_GT(correlation(played, at + gap, expected, at, after), 0.999) << gap;
    }
}

TEST_F(Player, StopsAreNeverLost)
{
    // A stop while the intro plays, then a new play before the first thread has ended:
    // the first ends without its loop, and the second, with an event of its own, still
    // stops when the first is gone.
    empty_folder(captures);
    sample_info(list, 4, [&](HWND dialog) {
        for (int i = 0; i < 3; i++)
            click(dialog, IDC_PLAY_LOOPED);
        pump_until([] { return player_threads_running() < 2; }); // the first play ended
        EXPECT_EQ(1, g_app.playing);
        EXPECT_EQ("Stop", dialog_item_text(dialog, IDC_PLAY_LOOPED));
        click(dialog, IDC_PLAY_LOOPED);
        click(dialog, IDCANCEL);
    });
    wait_idle();
    // Both plays are of one format, so they share a capture file: whatever is in it,
    // no part of the loop.
    Bytes source = pcm(4), got = heard();
    Bytes loop(source.begin() + 39000, source.begin() + 39032);
    EXPECT_EQ(got.end(), std::search(got.begin(), got.end(), loop.begin(), loop.end()));
}

// (Loops too short for DirectSound's two halves are left to the native play shapes.)
TEST_F(Player, LoopsThatDoNotFitPlayOnceAndRateZeroPlaysNothing)
{
    struct {
        const char *loopEnd, *rate;
    } cases[] = {{"3001", "8000"}, {"1600", "0"}}; // an end beyond the sample's 3000 bytes
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.loopEnd << " @" << c.rate);
        empty_folder(captures);
        bool rateZero = c.rate[0] == '0';
        sample_info(list, 0, [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_LOOP_END, c.loopEnd);
            SetDlgItemTextA(dialog, IDC_RATE, c.rate);
            if (rateZero)
                expect_dialog(message_box(
                    "Virn", "This sample has the frequency 0: it cannot be played.", IDOK));
            click(dialog, IDC_PLAY_LOOPED);
            wait_idle(); // a one-shot play ends by itself and restores the button
            EXPECT_EQ("Play looped", dialog_item_text(dialog, IDC_PLAY_LOOPED));
            click(dialog, IDCANCEL);
        });
        EXPECT_EQ(rateZero ? Bytes() : pcm(0), heard());
    }
}

TEST_F(Player, ThePlayStateComesBackHoweverThePlayEnds)
{
    // Closed with its window: the end still reaches the play button.
    focus_row(list, 4);
    command(IDM_PLAY);
    EXPECT_EQ(7, play_image());
    command(IDM_CLOSE);
    wait_idle();
    EXPECT_EQ(5, play_image());
    // A device that cannot open is reported, and the next Play starts again.
    list = list_of(window = open_one(dir + "\\player.it"));
    for (uint32_t device : {WAVEOUT_DEVICE_BASE + 7, 0x12345678u}) { // no such devices
        g_app.outputDevice = device;
        for (int attempt = 0; attempt < 2; attempt++) {
            focus_row(list, 0);
            expect_dialog(message_box("Virn", "Unable to open the sound device", IDOK));
            command(IDM_PLAY);
            wait_idle();
            EXPECT_EQ(0u, unanswered_dialogs()) << device;
            EXPECT_EQ(5, play_image());
        }
    }
}

} // namespace
