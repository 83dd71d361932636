// The module window: one row per catalog entry (full row indexes for modules with more
// than 255 entries) and check boxes; the edited-row tint is seen in the sample info tests.
#include "win_harness.h"

#include "app_state.h"
#include "resource.h"

#include <stdlib.h>

namespace
{

TEST_F(GrabberTest, RowsShowTheLibrarysEntriesBeyond255)
{
    HWND list = list_of(open_numbered(300, 4)); // every fourth row is empty
    ASSERT_EQ(300, ListView_GetItemCount(list));
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
    for (int id : {IDM_CHECKALL, IDM_RESETSELECTION}) {
        command(id);
        for (int row : {0, 254, 255, 256, 298})
            EXPECT_EQ(id == IDM_CHECKALL, checked(list, row)) << row;
    }
}

} // namespace
