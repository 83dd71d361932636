// Zipped modules: every module inside an archive gets a window of its own.
#include "win_harness.h"
#include "zip_writer.h"

#include "frame.h"

namespace
{

TEST_F(GrabberTest, EachModuleInAnArchiveOpens)
{
    Bytes zip = zip_write({{"FIRST.IT", numbered_it("one", 2), 8},
                           {"readme.txt", word_text(500, 3), 8},
                           {"SECOND.IT", numbered_it("two", 3), 0}});
    save(dir + "\\pack.MDZ", zip);
    open_frame({dir + "\\pack.MDZ"});
    std::vector<HWND> windows = module_windows();
    ASSERT_EQ(2u, windows.size());
    EXPECT_EQ("one [pack.MDZ<FIRST.IT]", window_text(windows[0]));
    EXPECT_EQ("two [pack.MDZ<SECOND.IT]", window_text(windows[1]));
    EXPECT_EQ(3, row_count(list_of(windows[1])));
}

TEST_F(GrabberTest, AnArchiveWithoutModulesIsNotAModule)
{
    save(dir + "\\text.zip", zip_write({{"readme.txt", word_text(500, 3), 8}}));
    save(dir + "\\plain.zip", numbered_it("really an it", 1)); // misnamed, still opens
    open_frame();
    expect_dialog(message_box("Virn", "Does not looks like supported module...", IDOK));
    open_module_file((dir + "\\text.zip").c_str());
    pump();
    EXPECT_TRUE(module_windows().empty());
    open_one(dir + "\\plain.zip");
    EXPECT_EQ("really an it [plain.zip]", window_text(module_windows()[0]));
}

} // namespace
