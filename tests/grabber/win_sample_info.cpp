// The sample info dialog: fields tinted against the library's values, numbers stepped by
// the program, the row marked on OK and unmarked after "Restore originals", and edits
// that reach what is grabbed and played.
#include "win_harness.h"
#include "win_picture.h"

#include "xm_writer.h"

#include "app_state.h"
#include "player.h"
#include "resource.h"

namespace
{

class SampleInfo : public GrabberTest
{
  protected:
    HWND window = nullptr, list = nullptr;

    void SetUp() override
    {
        GrabberTest::SetUp();
        open_frame();
        open_module("three.it", numbered_it("three", 3)); // s1: 101 bytes at 8001 Hz
    }

    void open_module(const std::string &name, const Bytes &bytes)
    {
        save(dir + "\\" + name, bytes);
        window = open_one(dir + "\\" + name);
        list = list_of(window);
        focus_row(list, 0);
    }

    // Behind the first row's name: lavender when edited, the list's yellow otherwise.
    COLORREF row_tint()
    {
        RECT name = {LVIR_LABEL, 1, 0, 0}; // the name column
        SendMessageA(list, LVM_GETSUBITEMRECT, 0, (LPARAM)&name);
        for (COLORREF c : {EditedColour, ListColour})
            if (pixels_of(list, c, &name) > 0)
                return c;
        return 0;
    }
};

// The program steps the numbers (and zero stays zero); the tint follows the typing, and its
// brushes go with the dialog.
TEST_F(SampleInfo, SpinsStepAndTheTintFollowsTheTyping)
{
    HBRUSH brushes[2] = {};
    sample_info(list, 0, [&](HWND dialog) {
        EXPECT_EQ("Channels: mono\r\nBits: 8\r\nLength: 101",
                  dialog_item_text(dialog, IDC_INFO_TEXT));
        HWND spin = GetDlgItem(dialog, IDC_LOOP_START_SPIN);
        RECT r;
        GetClientRect(spin, &r);
        struct {
            bool up;
            const char *expected;
        } clicks[] = {{false, "0"}, {true, "1"}, {true, "2"}, {false, "1"}, {false, "0"}};
        for (const auto &c : clicks) {
            LPARAM at = MAKELPARAM(r.right / 2, c.up ? r.bottom / 4 : r.bottom * 3 / 4);
            SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(spin, WM_LBUTTONUP, 0, at);
            EXPECT_EQ(c.expected, dialog_item_text(dialog, IDC_LOOP_START));
            EXPECT_EQ(0, (short)LOWORD(SendMessageA(spin, UDM_GETPOS, 0, 0)));
        }
        struct {
            int id;
            const char *text;
            COLORREF colour;
        } steps[] = {
            {IDC_RATE, "8001", ListColour},      {IDC_RATE, "8002", EditedColour},
            {IDC_RATE, "08001", ListColour},     {IDC_SAMPLE_NAME, "s1x", EditedColour},
            {IDC_SAMPLE_NAME, "s1", ListColour}, {IDC_LOOP_END, "1", EditedColour},
        };
        for (const auto &s : steps) {
            SetDlgItemTextA(dialog, s.id, s.text);
            HWND edit = GetDlgItem(dialog, s.id);
            UpdateWindow(edit);
            GetClientRect(edit, &r);
            HDC dc = GetDC(edit);
            EXPECT_EQ(s.colour, GetPixel(dc, r.right - 3, r.bottom / 2)) << s.text;
            // The brush the dialog paints with: the pale yellow, then the lavender one.
            if (s.id == IDC_RATE)
                brushes[s.colour == EditedColour] =
                    (HBRUSH)SendMessageA(dialog, WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)edit);
            ReleaseDC(edit, dc);
            if (!strcmp(s.text, "8002"))
                screenshot(dialog, "sample-info"); // with an edited field
        }
        for (HBRUSH b : brushes)
            EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(b));
        click(dialog, IDCANCEL);
    });
    for (HBRUSH b : brushes)
        EXPECT_EQ(0u, GetObjectType(b)); // deleted with the dialog
}

TEST_F(SampleInfo, OkMarksTheRowAndRestoreOriginalsClearsTheMark)
{
    sample_info(list, 0, [](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_SAMPLE_NAME, "renamed");
        SetDlgItemTextA(dialog, IDC_RATE, "9000");
        click(dialog, IDOK);
    });
    EXPECT_EQ("renamed", item_text(list, 0, 1));
    EXPECT_EQ("9000", item_text(list, 0, 3));
    EXPECT_EQ(EditedColour, row_tint());
    sample_info(list, 0, [](HWND dialog) {
        click(dialog, IDC_RESTORE);
        EXPECT_EQ("8001", dialog_item_text(dialog, IDC_RATE));
        click(dialog, IDOK);
    });
    EXPECT_EQ("s1", item_text(list, 0, 1));
    EXPECT_EQ("8001", item_text(list, 0, 3));
    EXPECT_EQ(ListColour, row_tint());

    // Unchanged fields leave the row unmarked also where "off" is kind 4: a format
    // without sustain loops.
    XmSong song;
    song.instruments = {{"", -1, {{"", ramp8(64), 1, 0, 16}}}}; // a forward loop
    open_module("one.xm", write_xm(song));
    sample_info(list, 0, [](HWND dialog) {
        EXPECT_EQ((UINT)BST_CHECKED, IsDlgButtonChecked(dialog, IDC_SUSTAIN_OFF));
        click(dialog, IDOK);
    });
    EXPECT_EQ(ListColour, row_tint());
    const ModuleWindowData *d = (ModuleWindowData *)GetWindowLongPtrA(window, GWLP_USERDATA);
    EXPECT_EQ(VIRN_LOOP_NOT_IN_FORMAT, d->catalog[0].sustainType);
}

TEST_F(SampleInfo, PlayedValuesStayAfterCancelAndReachTheGrabbedWav)
{
    sample_info(list, 0, [](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_RATE, "22050");
        SetDlgItemTextA(dialog, IDC_LOOP_START, "10");
        SetDlgItemTextA(dialog, IDC_LOOP_END, "50");
        SendDlgItemMessageA(dialog, IDC_LOOP_PINGPONG, BM_CLICK, 0, 0);
        click(dialog, IDC_PLAY);
        click(dialog, IDCANCEL);
    });
    for (DWORD start = GetTickCount(); player_threads_running() && GetTickCount() - start < 60000;)
        pump();
    EXPECT_EQ(0, g_app.playing);
    EXPECT_EQ("8001", item_text(list, 0, 3)); // the row shows the library's until OK
    std::string path = dir + "\\s1.wav";
    g_answer.save = [&](OPENFILENAMEA *o) {
        lstrcpynA(o->lpstrFile, path.c_str(), (int)o->nMaxFile);
        return TRUE;
    };
    expect_dialog(message_box("Virn", "Do you want to grab sample as a raw data?", IDNO));
    command(IDM_GRABCURRENT);
    Bytes wav = read_file(path);
    ASSERT_GT(wav.size(), 44u + 102 + 36 + 48);
    auto u32 = [&](size_t at) { return wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16; };
    EXPECT_EQ(22050, u32(24));    // fmt: rate
    const size_t smpl = 44 + 102; // after 101 bytes of data and a pad byte
    ASSERT_EQ(0, memcmp(&wav[smpl], "smpl", 4));
    EXPECT_EQ(2, u32(smpl + 36)); // the IT sustain loop (off), then the loop:
    const size_t loop = smpl + 44 + 24;
    EXPECT_EQ(1, u32(loop + 4)); // alternating
    EXPECT_EQ(10, u32(loop + 8));
    EXPECT_EQ(49, u32(loop + 12)); // the last frame played
}

} // namespace
