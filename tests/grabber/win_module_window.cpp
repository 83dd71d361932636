// The module window: one row per catalog entry (full row indexes for modules with more
// than 255 entries), check boxes, the edited-row tint.
#include "win_harness.h"

#include "app_state.h"
#include "resource.h"

#include <commctrl.h>
#include <stdlib.h>

namespace
{

TEST_F(GrabberTest, RowsShowTheLibrarysEntriesBeyond255)
{
    save(dir + "\\m.it", numbered_it("m", 300, 4)); // every fourth row is empty
    open_frame();
    HWND list = list_of(open_one(dir + "\\m.it"));
    ASSERT_EQ(300, row_count(list));
    const char *expected[][6] = {
        {"1", "s1", "101", "8001", "1", "8"},     {"4", "-none-", "0", "8363", "1", "8"},
        {"5", "s5", "105", "8005", "1", "8"},     {"256", "-none-", "0", "8363", "1", "8"},
        {"257", "s257", "357", "8257", "1", "8"}, {"299", "s299", "399", "8299", "1", "8"},
    };
    for (const auto &row : expected) {
        int index = atoi(row[0]) - 1;
        for (int col = 0; col < 6; col++)
            EXPECT_EQ(row[col], item_text(list, index, col)) << row[0] << "," << col;
        EXPECT_FALSE(checked(list, index));
    }
    command(IDM_CHECKALL);
    for (int row : {0, 254, 256, 298})
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
