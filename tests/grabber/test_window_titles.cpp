// Titles and names built from untrusted song and file names stay inside their buffers.
#include "grab_buffer.h"
#include "packed_names.h"
#include "window_titles.h"

#include <gtest/gtest.h>
#include <string>

namespace
{

// Titles of ordinary names are read from the windows (win_frame.cpp, win_program.cpp).
TEST(WindowTitles, LongNamesAreCutInsideTheBuffer)
{
    struct {
        size_t size;
        size_t song, file;
        std::string expected; // with s for song and f for file characters
    } cases[] = {
        {16, 5, 5, "sssss [fffff]"}, // fits
        {12, 5, 5, "sss [fffff]"},   // the song gives way first
        {9, 5, 5, " [fffff]"},       // all of it
        {7, 5, 5, " [fff]"},         // then the file name
        {4, 5, 5, " []"},            // brackets only
        {3, 5, 5, ""},               // not even those
        {260, 300, 300, " [" + std::string(256, 'f') + "]"},
    };
    for (const auto &c : cases) {
        std::string song(c.song, 's'), file(c.file, 'f');
        char out[300];
        memset(out, 'X', sizeof out);
        module_window_title(out, c.size, song.c_str(), file.c_str());
        EXPECT_EQ('X', out[c.size]) << c.size; // nothing written past the buffer
        EXPECT_EQ(c.expected, out) << c.size;
    }
    char out[12];
    frame_title(out, sizeof out, "a very long song name");
    EXPECT_STREQ("a ve - Virn", out);
    EXPECT_STREQ("", file_name_part("C:\\m\\")); // a path that ends in a folder
}

TEST(PackedNames, ArchiveExtensions)
{
    for (const char *yes : {"a.mdz", "C:\\x\\B.S3Z", "c.xmz", "d.ItZ", "e.zip"})
        EXPECT_TRUE(is_packed_module_name(yes)) << yes;
    for (const char *no : {"a.mod", "zip", "a.zipx", "a.md", ".zi", "C:\\zip\\a.it"})
        EXPECT_FALSE(is_packed_module_name(no)) << no;
    for (const char *text : {"README.TXT", "a.nfo", "file_id.Diz"})
        EXPECT_TRUE(is_text_member_name(text)) << text;
    for (const char *module : {"a.mod", "txt", "a.txt.it"})
        EXPECT_FALSE(is_text_member_name(module)) << module;
}

TEST(GrabBuffer, RefusesSizesThatWrap)
{
    CatalogEntry e = {};
    uint32_t size = 0;
    e.info.byteLength = 1000;
    e.length = 500;
    ASSERT_TRUE(grab_buffer_size(&e, &size));
    EXPECT_EQ(1300u, size);
    e.length = 5000; // stored bytes beyond the decoded size: room for them too
    ASSERT_TRUE(grab_buffer_size(&e, &size));
    EXPECT_EQ(5000u, size);
    e.info.byteLength = 0xFFFFFFFFu - 300;
    ASSERT_TRUE(grab_buffer_size(&e, &size));
    EXPECT_EQ(0xFFFFFFFFu, size);
    e.info.byteLength = 0xFFFFFFFFu - 299;
    EXPECT_FALSE(grab_buffer_size(&e, &size));
}

} // namespace
