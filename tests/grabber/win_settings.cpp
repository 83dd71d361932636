// curset.set beside the program (with a file in the current folder read once; that the
// frame saves it as it goes is seen on Virn.exe itself), and the sound preferences dialog.
#include "win_harness.h"
#include "win_picture.h"

#include "app_state.h"
#include "resource.h"
#include "settings_file.h"
#include "settings_format.h"

namespace
{

const char MissingSettings[] = "Unable to open config file\r\rDefaults loaded";

// Which file is read and written; what short and long files hold is tested natively.
TEST_F(GrabberTest, SettingsComeFromBesideTheProgramFirst)
{
    const Bytes none, a(8, 1), b(8, 2), c(8, 3), d(8, 4),
        defaults = {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0xBB, 0, 0}; // the wave mapper, 48000
    const struct {
        const char *what;
        const Bytes &beside, &current, &read; // none: no such file
    } cases[] = {
        {"beside only", a, none, a},
        {"both: beside wins", b, c, b},
        {"current folder only, read once", none, d, d},
        {"neither: warning and defaults", none, none, defaults},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.what);
        std::string folder = work_folder("settings");
        std::string beside = folder + "\\beside.set", current = folder + "\\current.set";
        if (!k.beside.empty())
            save(beside, k.beside);
        if (!k.current.empty())
            save(current, k.current);
        if (&k.read == &defaults)
            expect_dialog(message_box("Virn", MissingSettings, IDOK));
        load_settings_from(nullptr, beside.c_str(), current.c_str());
        // Saving always goes beside the program; a file in the current folder is left as
        // it was (or absent).
        save_settings();
        EXPECT_TRUE(read_file(beside) == k.read);
        EXPECT_TRUE(read_file(current) == k.current);
    }
}

// The dialog's list: where the item of `device` is (-1: not listed).
int device_item(HWND dialog, uint32_t device)
{
    int count = (int)SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++)
        if ((uint32_t)SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_GETITEMDATA, i, 0) == device)
            return i;
    return -1;
}

// While a sample plays the device cannot change: the choice is refused and the dialog
// stays open; the volume of the new choice is taken all the same.
TEST_F(GrabberTest, SoundPreferencesShowAndStoreTheSettings)
{
    open_frame();
    struct {
        uint32_t device, volume;
        int shownPosition, newPosition;
        uint32_t storedVolume;
        bool playing; // the wave mapper chosen
    } cases[] = {
        {0xFFFFFFFFu, 48000, 20, 35, 39000, false},
        {0xFFFF0000u, 30000, 50, 100, 0, false},                // the first waveOut device
        {0, (uint32_t)-2500, 25, 100, (uint32_t)-10000, false}, // primary DirectSound device
        {0, 0, 0, 50, 30000, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.device << (c.playing ? " playing" : ""));
        g_app.outputDevice = c.device;
        g_app.outputVolume = c.volume;
        g_app.playing = c.playing;
        bool listed = true;
        expect_dialog([&](HWND dialog) {
            if (c.device == WAVE_MAPPER_DEVICE)
                screenshot(dialog, "sound-preferences");
            int mapper = device_item(dialog, WAVE_MAPPER_DEVICE),
                wanted = device_item(dialog, c.device);
            EXPECT_GE(mapper, 0);
            // Wine lists sound devices only where it has a sound driver; the test runner
            // gives it one that writes files.
            if ((listed = wanted >= 0)) {
                EXPECT_EQ(wanted, SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_GETCURSEL, 0, 0));
            }
            if (!listed || c.playing)
                SendDlgItemMessageA(dialog, IDC_DEVICE_LIST, CB_SETCURSEL, mapper, 0);
            EXPECT_EQ(c.shownPosition, SendDlgItemMessageA(dialog, IDC_VOLUME, TBM_GETPOS, 0, 0));
            SendDlgItemMessageA(dialog, IDC_VOLUME, TBM_SETPOS, TRUE, c.newPosition);
            if (c.playing)
                expect_dialog(
                    message_box("Virn", "Unable to change output device while playing", IDOK));
            click(dialog, IDOK);
            pump();
            if (c.playing) {
                EXPECT_TRUE(IsWindowVisible(dialog)); // still open
                click(dialog, IDCANCEL);
            }
        });
        command(IDM_SOUNDPREFS);
        g_app.playing = 0;
        if (!listed) {
            printf("[ SKIPPED ] no sound device %08x listed here\n", c.device);
            continue;
        }
        EXPECT_EQ(c.device, g_app.outputDevice);
        EXPECT_EQ(c.storedVolume, g_app.outputVolume);
    }
}

} // namespace
