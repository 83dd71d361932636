// The module window: one row per catalog entry, check boxes, the edited-row tint, and
// full row indexes for modules with more than 255 entries.
#include "win_harness.h"

#include "app_state.h"
#include "resource.h"

#include <commctrl.h>

namespace
{

TEST_F(GrabberTest, RowsShowTheLibrarysEntries)
{
    save(dir + "\\five.it", numbered_it("five", 5, 2)); // rows 2 and 4 are empty
    open_frame();
    HWND w = open_one(dir + "\\five.it");
    ASSERT_NE(nullptr, w);
    EXPECT_TRUE(IsWindowVisible(w));
    HWND list = list_of(w);
    ASSERT_EQ(5, row_count(list));
    const char *expected[5][6] = {
        {"1", "s1", "101", "8001", "1", "8"}, {"2", "-none-", "0", "8363", "1", "8"},
        {"3", "s3", "103", "8003", "1", "8"}, {"4", "-none-", "0", "8363", "1", "8"},
        {"5", "s5", "105", "8005", "1", "8"},
    };
    for (int row = 0; row < 5; row++) {
        for (int col = 0; col < 6; col++)
            EXPECT_EQ(expected[row][col], item_text(list, row, col)) << row << "," << col;
        EXPECT_FALSE(checked(list, row));
    }
    // Headers, as the user sees them.
    HWND header = (HWND)SendMessageA(list, LVM_GETHEADER, 0, 0);
    const char *headers[6] = {"\xB9", "Name", "Length (bytes) ", "freq.", "channels", "resolution"};
    for (int col = 0; col < 6; col++) {
        char text[64] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, col, (LPARAM)&item);
        EXPECT_STREQ(headers[col], text);
    }
}

TEST_F(GrabberTest, ThreeHundredRowsCheckAllThenReset)
{
    save(dir + "\\m.it", numbered_it("m", 300));
    open_frame();
    HWND list = list_of(open_one(dir + "\\m.it"));
    ASSERT_EQ(300, row_count(list));
    EXPECT_EQ("256", item_text(list, 255, 0));
    EXPECT_EQ("s257", item_text(list, 256, 1));
    EXPECT_EQ("8300", item_text(list, 299, 3));
    command(IDM_CHECKALL);
    for (int row : {0, 254, 255, 256, 299})
        EXPECT_TRUE(checked(list, row)) << row;
    command(IDM_RESETSELECTION);
    int stillChecked = 0;
    for (int row = 0; row < 300; row++)
        stillChecked += checked(list, row);
    EXPECT_EQ(0, stillChecked);
}

TEST_F(GrabberTest, EditedRowsAreTinted)
{
    save(dir + "\\m.it", numbered_it("m", 3));
    open_frame();
    HWND w = open_one(dir + "\\m.it");
    HWND list = list_of(w);
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = 1;
    item.lParam = EDITED_MARK;
    SendMessageA(list, LVM_SETITEMA, 0, (LPARAM)&item);
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);

    // The text background of a row's name cell: lavender when edited, yellow otherwise.
    auto colours_in = [&](int row) {
        RECT r = {};
        r.top = 1; // the name column
        r.left = LVIR_LABEL;
        SendMessageA(list, LVM_GETSUBITEMRECT, row, (LPARAM)&r);
        HDC dc = GetDC(list);
        int lavender = 0, yellow = 0;
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left; x < r.right; x++) {
                COLORREF c = GetPixel(dc, x, y);
                lavender += c == EditedColour;
                yellow += c == ListColour;
            }
        ReleaseDC(list, dc);
        return std::make_pair(lavender, yellow);
    };
    auto edited = colours_in(1);
    auto plain = colours_in(0);
    EXPECT_GT(edited.first, 0);
    EXPECT_EQ(0, plain.first);
    EXPECT_GT(plain.second, 0);
}

} // namespace
