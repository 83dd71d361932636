// curset.set: its layout, the volume scale of the preferences dialog and its place.
#include "file_names.h"
#include "settings_format.h"

#include <gtest/gtest.h>
#include <string>

namespace
{

// Eight little-endian bytes, written whole and read back; a short file leaves zeros.
TEST(SettingsFormat, Layout)
{
    SoundSettings s = {0xFFFFFFFFu, 48000};
    uint8_t bytes[SETTINGS_FILE_SIZE];
    settings_to_bytes(&s, bytes);
    struct {
        size_t count;
        uint32_t device, volume;
    } cases[] = {
        {0, 0, 0},              // an empty file: device 0, volume 0
        {2, 0xFFFF, 0},         // half a device
        {5, 0xFFFFFFFF, 0x80},  // one byte of the volume
        {8, 0xFFFFFFFF, 48000}, // all of it
    };
    for (const auto &c : cases) {
        SoundSettings back = {1, 1};
        settings_from_bytes(bytes, c.count, &back);
        EXPECT_EQ(c.device, back.outputDevice) << c.count;
        EXPECT_EQ(c.volume, back.outputVolume) << c.count;
    }
}

// Position <-> volume for both kinds of device; off-scale values land at an end.
TEST(SettingsFormat, VolumeScale)
{
    struct {
        uint32_t device;
        int position;
        uint32_t volume;
        bool both; // the volume also gives the position back
    } cases[] = {
        {WAVE_MAPPER_DEVICE, 0, 60000, true},   {WAVE_MAPPER_DEVICE, 100, 0, true},
        {WAVE_MAPPER_DEVICE, 20, 48000, true},  {0xFFFF0001u, 50, 30000, true},
        {0xFFFF0000u, 1, 59400, true},          {0, 0, 0, true},
        {0, 100, (uint32_t)-10000, true},       {0x12345678u, 37, (uint32_t)-3700, true},
        {WAVE_MAPPER_DEVICE, 250, 0, false}, // clamped to 100
        {WAVE_MAPPER_DEVICE, -3, 60000, false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.volume, volume_from_position(c.device, c.position)) << c.position;
        if (c.both) {
            EXPECT_EQ(c.position, position_from_volume(c.device, c.volume)) << c.volume;
        }
    }
    EXPECT_EQ(0, position_from_volume(WAVE_MAPPER_DEVICE, 65535));      // above 60000
    EXPECT_EQ(99, position_from_volume(WAVE_MAPPER_DEVICE, 599 + 600)); // truncating
    EXPECT_EQ(0, position_from_volume(0, 48000)); // a waveOut level on DirectSound
    EXPECT_EQ(100, position_from_volume(0, (uint32_t)-20000));
}

// Beside the program, within the caller's buffer (Virn.exe's own run shows the place).
TEST(FileNames, SettingsLiveBesideTheProgram)
{
    char small[20];
    EXPECT_FALSE(path_beside("C:\\a\\b\\c\\d\\Virn.exe", "curset.set", small, sizeof small));
    EXPECT_STREQ("", small);
    ASSERT_TRUE(path_beside("C:\\a\\Virn.exe", "curset.set", small, 16)); // just fits
    EXPECT_STREQ("C:\\a\\curset.set", small);
    ASSERT_TRUE(path_beside("Virn.exe", "curset.set", small, sizeof small));
    EXPECT_STREQ("curset.set", small);
}

} // namespace
