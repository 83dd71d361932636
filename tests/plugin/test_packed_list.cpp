// The packed-module list over the real archive library, with files, the host's playlist
// and the library's availability replaced by a table of our own.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "entry_names.h"
#include "fixtures.h"
#include "packed_list.h"
#include "zip_writer.h"

namespace
{

// What the access table sees and does, for one test at a time.
struct World {
    std::map<std::string, Bytes> files;
    std::vector<std::string> enqueued;
    int processCalls = 0;
    int openImages = 0;
    bool libraryPresent = true;
};
World *g_world;

const ArchiveAccess Access = {
    [](const char *path, uint32_t *size) -> uint8_t * {
        auto it = g_world->files.find(path);
        *size = it == g_world->files.end() ? 0 : (uint32_t)it->second.size();
        if (*size == 0)
            return nullptr;
        g_world->openImages++;
        return (uint8_t *)memcpy(malloc(*size), it->second.data(), *size);
    },
    [](uint8_t *image) {
        g_world->openImages--;
        free(image);
    },
    [](const uint8_t *archive, uint32_t size, ExtractedMember *after, const char *wanted) {
        g_world->processCalls++;
        return g_world->libraryPresent ? check_and_process_arc(archive, size, after, wanted)
                                       : nullptr;
    },
    [](ExtractedMember *r) {
        free(r->data); // natively the library allocates with calloc
        free(r);
    },
    [](const char *entry) { g_world->enqueued.push_back(entry); }};

std::string bytes_of(const ExtractedMember *r)
{
    return r ? std::string((const char *)r->data, r->size) : "<none>";
}

class PackedListTest : public testing::Test
{
  protected:
    World world;
    PackedList list = {};

    void SetUp() override
    {
        g_world = &world;
        world.files["D:\\m\\a.mdz"] = zip_write(
            {{"SONG.MOD", text_of("song of a.mdz")}, {"SONG.MOD2", text_of("song2 of a")}});
        world.files["D:\\m\\b.mdz"] = zip_write(
            {{"SONG.MOD2", text_of("song2 of b")}, {"SONG.MOD", text_of("song of b.mdz")}});
        world.files["D:\\m\\plain.xm"] = Bytes{'x', 'm', '!'};
    }
    void TearDown() override
    {
        release_list(&list, &Access);
        EXPECT_EQ(0, world.openImages) << "an image was not released";
        g_world = nullptr;
    }
    size_t records()
    {
        size_t n = 0;
        for (ExtractedMember *r = list.head; r; r = r->next)
            n++;
        EXPECT_EQ(n, list.count);
        return n;
    }
};

} // namespace

TEST_F(PackedListTest, RestartExtractsOnDemandOnce)
{
    ModuleImage image;
    ASSERT_TRUE(load_image(&list, &Access, "D:\\m\\a.mdz<SONG.MOD", &image));
    EXPECT_EQ("song of a.mdz", std::string((char *)image.bytes, image.size));
    EXPECT_FALSE(image.owned);
    EXPECT_EQ(1u, records()); // the member alone, now the head
    EXPECT_STREQ("SONG.MOD", list.head->name);
    EXPECT_EQ(1, world.processCalls);

    ASSERT_TRUE(load_image(&list, &Access, "D:\\m\\a.mdz<SONG.MOD", &image));
    EXPECT_EQ(1, world.processCalls) << "a second play extracts again";
    release_image(&Access, &image); // belongs to the record: no effect
    EXPECT_EQ(1u, records());
}

TEST_F(PackedListTest, SameMemberNameInTwoArchivesPlaysTheRightOne)
{
    ASSERT_TRUE(expand_archive(&list, &Access, "D:\\m\\a.mdz"));
    ASSERT_TRUE(expand_archive(&list, &Access, "D:\\m\\b.mdz"));
    // Every member listed, in directory order; an archive expanded again lists its members
    // again, each with a record of its own.
    ASSERT_TRUE(expand_archive(&list, &Access, "D:\\m\\a.mdz"));
    EXPECT_EQ((std::vector<std::string>{"D:\\m\\a.mdz<SONG.MOD", "D:\\m\\a.mdz<SONG.MOD2",
                                        "D:\\m\\b.mdz<SONG.MOD2", "D:\\m\\b.mdz<SONG.MOD",
                                        "D:\\m\\a.mdz<SONG.MOD", "D:\\m\\a.mdz<SONG.MOD2"}),
              world.enqueued);
    EXPECT_EQ(6u, records());
    struct Case {
        const char *entry, *bytes;
    } cases[] = {
        {"D:\\m\\a.mdz<SONG.MOD", "song of a.mdz"},
        {"D:\\m\\b.mdz<SONG.MOD", "song of b.mdz"},
        {"D:\\m\\a.mdz<SONG.MOD2", "song2 of a"},
        {"D:\\m\\b.mdz<SONG.MOD2", "song2 of b"},
        {"d:\\M\\B.MDZ<SONG.MOD", "song of b.mdz"}, // file names: any case
        {"D:\\m\\a.mdz<song.mod", "<none>"},        // member names: exact
        {"D:\\m\\a.mdz<SONG.MO", "<none>"},         // no prefix matches
        {"D:\\m\\a.mdz<", "<none>"},
    };
    int calls = world.processCalls;
    for (const Case &c : cases)
        EXPECT_EQ(c.bytes, bytes_of(find_member(&list, c.entry))) << c.entry;
    EXPECT_EQ(calls, world.processCalls);

    // Not in the list: extracted from its own archive, not found in the other.
    PackedList fresh = {};
    ExtractedMember *r = member_record(&fresh, &Access, "D:\\m\\b.mdz<SONG.MOD");
    EXPECT_EQ("song of b.mdz", bytes_of(r));
    release_list(&fresh, &Access);
}

TEST_F(PackedListTest, RefusesWhatCannotBeNamedOrFound)
{
    EXPECT_FALSE(expand_archive(&list, &Access, "D:\\m\\plain.xm"));
    EXPECT_FALSE(expand_archive(&list, &Access, "D:\\m\\missing.mdz"));
    world.libraryPresent = false; // no pexlin.dll: nothing is a packed module
    EXPECT_FALSE(expand_archive(&list, &Access, "D:\\m\\a.mdz"));
    EXPECT_EQ(0u, records());
    world.libraryPresent = true;

    ModuleImage image;
    std::string longArchive = "D:\\" + std::string(300, 'x') + ".mdz";
    world.files[longArchive] = world.files["D:\\m\\a.mdz"];
    // Listed (the records are kept for Quit), but no entry that would not fit is offered.
    EXPECT_TRUE(expand_archive(&list, &Access, longArchive.c_str()));
    EXPECT_TRUE(world.enqueued.empty());
    EXPECT_FALSE(load_image(&list, &Access, (longArchive + "<SONG.MOD").c_str(), &image));
    EXPECT_FALSE(load_image(&list, &Access, "D:\\m\\a.mdz<NOPE.MOD", &image));
    EXPECT_FALSE(load_image(&list, &Access, "D:\\m\\gone.mdz<SONG.MOD", &image));
    EXPECT_FALSE(load_image(&list, &Access, "", &image));
    EXPECT_EQ(nullptr, image.bytes);
    EXPECT_EQ(0u, image.size);
    // Plain files, present and missing, are read through the Windows calls in win_packed.cpp.
}
