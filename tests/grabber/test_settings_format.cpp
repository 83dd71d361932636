// curset.set: its layout, the volume scale of the preferences dialog and its place.
#include "file_names.h"
#include "settings_format.h"

#include <gtest/gtest.h>
#include <string>

namespace
{

TEST(SettingsFormat, EightLittleEndianBytes)
{
    SoundSettings s = {0xFFFF0001u, 30000};
    uint8_t bytes[SETTINGS_FILE_SIZE];
    settings_to_bytes(&s, bytes);
    const uint8_t expected[8] = {0x01, 0x00, 0xFF, 0xFF, 0x30, 0x75, 0x00, 0x00};
    EXPECT_EQ(0, memcmp(expected, bytes, 8));
    SoundSettings back = {};
    settings_from_bytes(bytes, 8, &back);
    EXPECT_EQ(s.outputDevice, back.outputDevice);
    EXPECT_EQ(s.outputVolume, back.outputVolume);
}

TEST(SettingsFormat, ShortFilesLeaveZeros)
{
    const uint8_t bytes[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0xBB, 0x00, 0x00};
    struct {
        size_t count;
        uint32_t device, volume;
    } cases[] = {
        {0, 0, 0},              // an empty file: device 0, volume 0
        {2, 0xFFFF, 0},         // half a device
        {4, 0xFFFFFFFF, 0},     // the device only
        {5, 0xFFFFFFFF, 0x80},  // one byte of the volume
        {8, 0xFFFFFFFF, 48000}, // all of it
    };
    for (const auto &c : cases) {
        SoundSettings s = {1, 1};
        settings_from_bytes(bytes, c.count, &s);
        EXPECT_EQ(c.device, s.outputDevice) << c.count;
        EXPECT_EQ(c.volume, s.outputVolume) << c.count;
    }
}

struct VolumeCase {
    uint32_t device;
    int position;
    uint32_t volume;
};

// Position <-> volume, both ways, for both kinds of device.
const VolumeCase VolumeCases[] = {
    {WAVE_MAPPER_DEVICE, 0, 60000},
    {WAVE_MAPPER_DEVICE, 100, 0},
    {WAVE_MAPPER_DEVICE, 20, 48000},
    {0xFFFF0001u, 50, 30000},
    {0xFFFF0000u, 1, 59400},
    {0, 0, 0},
    {0, 100, (uint32_t)-10000},
    {0, 25, (uint32_t)-2500},
    {0x12345678u, 37, (uint32_t)-3700},
};

TEST(SettingsFormat, VolumeScale)
{
    for (const VolumeCase &c : VolumeCases) {
        EXPECT_EQ(c.volume, volume_from_position(c.device, c.position))
            << std::hex << c.device << " " << std::dec << c.position;
        EXPECT_EQ(c.position, position_from_volume(c.device, c.volume))
            << std::hex << c.device << " " << c.volume;
    }
}

TEST(SettingsFormat, VolumesOffTheScaleLandAtAnEnd)
{
    EXPECT_EQ(0, position_from_volume(WAVE_MAPPER_DEVICE, 65535));      // above 60000
    EXPECT_EQ(99, position_from_volume(WAVE_MAPPER_DEVICE, 599 + 600)); // truncating
    EXPECT_EQ(0, position_from_volume(0, 48000)); // a waveOut level on DirectSound
    EXPECT_EQ(100, position_from_volume(0, (uint32_t)-20000));
    EXPECT_EQ(0u, volume_from_position(WAVE_MAPPER_DEVICE, 250)); // clamped to 100
    EXPECT_EQ(60000u, volume_from_position(WAVE_MAPPER_DEVICE, -3));
}

TEST(FileNames, SettingsLiveBesideTheProgram)
{
    struct {
        const char *program;
        const char *expected;
    } cases[] = {
        {"C:\\Program Files\\Virn\\Virn.exe", "C:\\Program Files\\Virn\\curset.set"},
        {"C:\\Virn.exe", "C:\\curset.set"},
        {"Z:/build/grabber/Virn.exe", "Z:/build/grabber/curset.set"},
        {"Virn.exe", "curset.set"},
    };
    for (const auto &c : cases) {
        char out[260];
        ASSERT_TRUE(path_beside(c.program, "curset.set", out, sizeof out));
        EXPECT_STREQ(c.expected, out);
    }
    char small[20];
    EXPECT_FALSE(path_beside("C:\\a\\b\\c\\d\\Virn.exe", "curset.set", small, sizeof small));
    EXPECT_STREQ("", small);
    EXPECT_TRUE(path_beside("C:\\a\\Virn.exe", "curset.set", small, 16)); // "C:\a\curset.set"
}

} // namespace
