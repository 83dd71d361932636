// The sample info dialog: fields tinted against the library's values, numbers stepped by
// the program, the row marked on OK and unmarked after "Restore originals", and edits
// that reach what is grabbed and played.
#include "win_harness.h"

#include "xm_writer.h"

#include "app_state.h"
#include "player.h"
#include "resource.h"

#include <commctrl.h>

namespace
{

class SampleInfo : public GrabberTest
{
  protected:
    HWND window = nullptr;
    HWND list = nullptr;

    void open_module(const std::string &name, const Bytes &bytes)
    {
        save(dir + "\\" + name, bytes);
        if (!frame)
            open_frame();
        window = open_one(dir + "\\" + name);
        list = list_of(window);
        focus_row(list, 0);
    }

    void SetUp() override
    {
        GrabberTest::SetUp();
        open_module("three.it", numbered_it("three", 3)); // s1: 101 bytes at 8001 Hz
    }

    // Runs the dialog on the focused row; `handler` closes it.
    void with_dialog(DialogHandler handler)
    {
        expect_dialog(handler);
        command(IDM_SAMPLEINFO);
    }

    const CatalogEntry &copy(int row)
    {
        return ((ModuleWindowData *)GetWindowLongPtrA(window, GWLP_USERDATA))->catalog[row];
    }

    LPARAM row_mark(int row)
    {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
        return item.lParam;
    }
};

// The background of an edit, right of its text.
COLORREF tint(HWND dialog, int id)
{
    HWND edit = GetDlgItem(dialog, id);
    UpdateWindow(edit);
    RECT r;
    GetClientRect(edit, &r);
    HDC dc = GetDC(edit);
    COLORREF c = GetPixel(dc, r.right - 3, r.bottom / 2);
    ReleaseDC(edit, dc);
    return c;
}

TEST_F(SampleInfo, TheTintFollowsTheTyping)
{
    with_dialog([](HWND dialog) {
        EXPECT_EQ("8001", dialog_item_text(dialog, IDC_RATE));
        EXPECT_EQ("Channels: mono\r\nBits: 8\r\nLength: 101",
                  dialog_item_text(dialog, IDC_INFO_TEXT));
        struct {
            int id;
            const char *text;
            COLORREF colour;
        } steps[] = {
            {IDC_RATE, nullptr, ListColour},        {IDC_RATE, "8002", EditedColour},
            {IDC_RATE, "8001", ListColour},         {IDC_RATE, "08001", ListColour},
            {IDC_SAMPLE_NAME, "s1x", EditedColour}, {IDC_SAMPLE_NAME, "s1", ListColour},
            {IDC_LOOP_END, "1", EditedColour},
        };
        for (const auto &s : steps) {
            if (s.text)
                SetDlgItemTextA(dialog, s.id, s.text);
            EXPECT_EQ(s.colour, tint(dialog, s.id)) << s.id << " " << (s.text ? s.text : "");
        }
        click(dialog, IDCANCEL);
    });
}

TEST_F(SampleInfo, TheProgramStepsTheNumberAndZeroStaysZero)
{
    with_dialog([](HWND dialog) {
        HWND spin = GetDlgItem(dialog, IDC_LOOP_START_SPIN);
        RECT r;
        GetClientRect(spin, &r);
        struct {
            bool up;
            const char *expected;
        } clicks[] = {{false, "0"}, {true, "1"}, {true, "2"}, {false, "1"}};
        for (const auto &c : clicks) {
            LPARAM at = MAKELPARAM(r.right / 2, c.up ? r.bottom / 4 : r.bottom * 3 / 4);
            SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(spin, WM_LBUTTONUP, 0, at);
            EXPECT_EQ(c.expected, dialog_item_text(dialog, IDC_LOOP_START));
            EXPECT_EQ(0, (short)LOWORD(SendMessageA(spin, UDM_GETPOS, 0, 0)));
        }
        click(dialog, IDCANCEL);
    });
}

TEST_F(SampleInfo, OkMarksTheRowAndRestoreOriginalsClearsTheMark)
{
    with_dialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_SAMPLE_NAME, "renamed");
        SetDlgItemTextA(dialog, IDC_RATE, "9000");
        click(dialog, IDOK);
    });
    EXPECT_EQ("renamed", item_text(list, 0, 1));
    EXPECT_EQ("9000", item_text(list, 0, 3));
    EXPECT_EQ(EDITED_MARK, row_mark(0));
    with_dialog([](HWND dialog) {
        click(dialog, IDC_RESTORE);
        EXPECT_EQ("s1", dialog_item_text(dialog, IDC_SAMPLE_NAME));
        EXPECT_EQ("8001", dialog_item_text(dialog, IDC_RATE));
        click(dialog, IDOK);
    });
    EXPECT_EQ("s1", item_text(list, 0, 1));
    EXPECT_EQ("8001", item_text(list, 0, 3));
    EXPECT_EQ(0, row_mark(0));

    // Unchanged fields leave the row unmarked also where "off" is stored as kind 4: a
    // format without sustain loops.
    XmSong song;
    song.name = "xm";
    XmSample looped;
    looped.name = "x1";
    looped.data = ramp8(64);
    looped.type = 1; // forward loop
    looped.loopStart = 8;
    looped.loopLength = 16;
    XmInstrument instrument;
    instrument.name = "i";
    instrument.samples.push_back(looped);
    song.instruments.push_back(instrument);
    open_module("one.xm", write_xm(song));
    with_dialog([](HWND dialog) {
        EXPECT_EQ((UINT)BST_CHECKED, IsDlgButtonChecked(dialog, IDC_SUSTAIN_OFF));
        EXPECT_EQ((UINT)BST_CHECKED, IsDlgButtonChecked(dialog, IDC_LOOP_ON));
        click(dialog, IDOK);
    });
    EXPECT_EQ(0, row_mark(0));
    EXPECT_EQ(VIRN_LOOP_NOT_IN_FORMAT, copy(0).sustainType);
}

TEST_F(SampleInfo, AnEditedRateAndLoopReachTheGrabbedWav)
{
    with_dialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_RATE, "22050");
        SetDlgItemTextA(dialog, IDC_LOOP_START, "10");
        SetDlgItemTextA(dialog, IDC_LOOP_END, "50");
        SendDlgItemMessageA(dialog, IDC_LOOP_PINGPONG, BM_CLICK, 0, 0);
        click(dialog, IDOK);
    });
    std::string path = dir + "\\s1.wav";
    g_saveAnswer = [&](OPENFILENAMEA *o) {
        lstrcpynA(o->lpstrFile, path.c_str(), (int)o->nMaxFile);
        return TRUE;
    };
    expect_dialog(message_box("Virn", "Do you want to grab sample as a raw data?", IDNO));
    command(IDM_GRABCURRENT);
    Bytes wav = load(path);
    ASSERT_GT(wav.size(), 44u + 102 + 36 + 48);
    auto u32 = [&](size_t at) {
        return (uint32_t)wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 |
               (uint32_t)wav[at + 3] << 24;
    };
    EXPECT_EQ(22050u, u32(24)); // fmt: rate
    size_t smpl = 44 + 102;     // 101 bytes of data and a pad byte
    ASSERT_EQ(0, memcmp(&wav[smpl], "smpl", 4));
    EXPECT_EQ(2u, u32(smpl + 8 + 28)); // the IT sustain loop (off), then the loop
    size_t loop = smpl + 8 + 36 + 24;
    EXPECT_EQ(1u, u32(loop + 4)); // alternating
    EXPECT_EQ(10u, u32(loop + 8));
    EXPECT_EQ(49u, u32(loop + 12)); // the last frame played
}

TEST_F(SampleInfo, PlayThenCancelKeepsThePlayedValues)
{
    with_dialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_RATE, "9000");
        click(dialog, IDC_PLAY);
        click(dialog, IDCANCEL);
    });
    for (DWORD start = GetTickCount();
         (player_threads_running() > 0 || g_app.playing) && GetTickCount() - start < 60000;
         Sleep(5))
        pump();
    EXPECT_EQ(9000u, copy(0).rate);
    EXPECT_EQ("8001", item_text(list, 0, 3)); // the row shows the library's until OK
}

TEST_F(SampleInfo, TheBrushesGoWithTheDialog)
{
    HBRUSH brushes[2] = {};
    with_dialog([&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_LOOP_END, "7");
        int ids[2] = {IDC_RATE, IDC_LOOP_END}; // unchanged, changed
        for (int i = 0; i < 2; i++) {
            HWND edit = GetDlgItem(dialog, ids[i]);
            HDC dc = GetDC(edit);
            brushes[i] = (HBRUSH)SendMessageA(dialog, WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)edit);
            ReleaseDC(edit, dc);
            EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(brushes[i]));
        }
        EXPECT_NE(brushes[0], brushes[1]);
        click(dialog, IDCANCEL);
    });
    for (HBRUSH b : brushes)
        EXPECT_EQ(0u, GetObjectType(b));
}

} // namespace
