// The library playing on its own device (device -1). The test's environment points HOME
// at a folder whose .asoundrc sends the default sound device to ALSA's null output with
// a file tap (tests/bass/CMakeLists.txt), so what is played lands, byte for byte, in
// BASS_CAPTURE_DIR, and faster than real time.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>

#include "reference_cases.h"
#include "song_writer.h"
#include "win_files.h"
#include "win_helpers.h"

namespace
{

// Polls until the song is no longer active; false after `seconds`.
bool wait_until_stopped(DWORD music, int seconds)
{
    for (int i = 0; i < seconds * 50; i++) {
        if (BASS_ChannelIsActive(music) == BASS_ACTIVE_STOPPED)
            return true;
        Sleep(20);
    }
    return false;
}

struct OwnDevice : ::testing::Test {
    std::string captures;
    void SetUp() override
    {
        ASSERT_NE(getenv("BASS_CAPTURE_DIR"), nullptr) << "BASS_CAPTURE_DIR is not set";
        captures = getenv("BASS_CAPTURE_DIR");
        ASSERT_GT(waveOutGetNumDevs(), 0u) << "no waveOut device: is HOME/.asoundrc read?";
        empty_folder(captures);
        BASS_Free();
    }
    void TearDown() override
    {
        BASS_Stop();
        BASS_Free();
    }
};

// The plug-in's library output: device -1, device flag 0x200, no decode flag. What the
// device receives is exactly what the song renders, and the song turns inactive at its end.
TEST_F(OwnDevice, PlaysTheSongToItsEnd)
{
    Bytes module = playable_song("xm_flow");
    Bytes expected =
        pull_all(load_song(module, BASS_MUSIC_DECODE | BASS_MUSIC_MONO, 22050, BASS_DEVICE_8BITS));
    ASSERT_FALSE(expected.empty());

    start_library(BASS_DEVICE_DEFAULT, 22050, BASS_DEVICE_8BITS | 0x200);
    DWORD music = load_from_pages(module, 0x2000 | BASS_MUSIC_MONO);
    ASSERT_NE(music, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(music), (DWORD)BASS_ACTIVE_STOPPED); // not started yet
    ASSERT_TRUE(BASS_MusicPlay(music)) << BASS_ErrorGetCode();
    EXPECT_NE(BASS_ChannelIsActive(music), (DWORD)BASS_ACTIVE_STOPPED);

    // What was played can be read back (the plug-in feeds its visualisation with it).
    Bytes heard, block(576);
    while (BASS_ChannelIsActive(music) != BASS_ACTIVE_STOPPED && heard.size() < 20000) {
        DWORD n = BASS_ChannelGetData(music, block.data(), (DWORD)block.size());
        if (n != (DWORD)-1)
            heard.insert(heard.end(), block.begin(), block.begin() + n);
        Sleep(5);
    }
    ASSERT_TRUE(wait_until_stopped(music, 60));
    EXPECT_TRUE(heard == Bytes(expected.begin(), expected.begin() + heard.size()));
    BASS_Stop();
    // The device pads its last period with silence.
    Bytes played = joined_files(captures);
    ASSERT_GE(played.size(), expected.size());
    EXPECT_LE(played.size(), expected.size() + 22050 / 10);
    EXPECT_TRUE(Bytes(played.begin(), played.begin() + expected.size()) == expected);
    EXPECT_EQ(Bytes(played.begin() + expected.size(), played.end()),
              Bytes(played.size() - expected.size(), 0x80));
}

TEST_F(OwnDevice, PauseResumeSeekAndStop)
{
    start_library(BASS_DEVICE_DEFAULT, 44100, 0x200);
    Bytes module = playable_song("mod_flow");
    DWORD music = BASS_MusicLoad(TRUE, module.data(), 0, 0, 0x2000);
    ASSERT_TRUE(BASS_MusicPlay(music));
    ASSERT_TRUE(BASS_ChannelPause(music));
    EXPECT_EQ(BASS_ChannelIsActive(music), (DWORD)BASS_ACTIVE_PAUSED);
    // A jump while paused stays paused.
    ASSERT_TRUE(BASS_ChannelSetPosition(music, BASS_POS_SECONDS(8)));
    EXPECT_EQ(BASS_ChannelIsActive(music), (DWORD)BASS_ACTIVE_PAUSED);
    ASSERT_TRUE(BASS_ChannelResume(music));
    EXPECT_EQ(BASS_ChannelIsActive(music), (DWORD)BASS_ACTIVE_PLAYING);
    ASSERT_TRUE(wait_until_stopped(music, 60));
    // The rest of the song from second 8 was played: a bit over two seconds of it.
    QWORD rest = BASS_MusicGetLength(music, TRUE) - 8 * 44100 * 4;
    EXPECT_LE(joined_files(captures).size(),
              rest + 4 * 4410 * 4); // and what was queued before
    // Stop ends the output; the song stays loaded.
    ASSERT_TRUE(BASS_ChannelSetPosition(music, 0));
    ASSERT_TRUE(BASS_MusicPlay(music));
    ASSERT_TRUE(BASS_Stop());
    EXPECT_EQ(BASS_ChannelIsActive(music), (DWORD)BASS_ACTIVE_STOPPED);
    EXPECT_STREQ(BASS_MusicGetName(music), "mod flow");
}

} // namespace
