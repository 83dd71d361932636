// Module sizes from headers: the library loads modules handed over without a length, and
// the renderer must be told their true size, neither the readable memory behind them
// (which changes how some files load) nor less.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "module_size.h"
#include "song_writer.h"

namespace
{

// The module followed by bytes that are not part of it, as memory behind a module is.
ModuleExtent with_tail(Bytes b)
{
    b.resize(b.size() + 8192, 0xA5);
    return module_extent(b.data(), b.size());
}

TEST(ModuleSize, PlayableSongsMeasureTheirOwnBytes)
{
    for (const Fixture &f : playable_songs())
        EXPECT_EQ(with_tail(f.bytes).size, f.bytes.size()) << f.name;
}

// Every fixture of the four measured formats whose headers account for the whole file;
// the list also has files cut short, which measure to what their headers claim.
TEST(ModuleSize, FixturesOfMeasuredFormats)
{
    int measured = 0;
    for (const Fixture &f : all_module_fixtures()) {
        ModuleExtent exact = module_extent(f.bytes.data(), f.bytes.size());
        if (exact.kind == KindOther)
            continue;
        ModuleExtent withTail = with_tail(f.bytes);
        EXPECT_EQ(withTail.kind, exact.kind) << f.name;
        EXPECT_LE(exact.size, f.bytes.size()) << f.name;
        if (withTail.size == f.bytes.size())
            measured++;
        else
            EXPECT_EQ(exact.size, f.bytes.size()) << f.name << ": cut short, yet measured "
                                                  << withTail.size << " of " << f.bytes.size();
    }
    EXPECT_GT(measured, 15);
}

TEST(ModuleSize, ModHeaders)
{
    const struct {
        const char *what, *tag;
        std::vector<uint8_t> orders;
        std::vector<uint16_t> words; // sample lengths
        size_t readable, size;
    } cases[] = {
        {"4 channels, orders to 2", "M.K.", {0, 2, 1}, {100, 0, 50}, 200000, 1084 + 3 * 1024 + 300},
        {"order list ends at a byte above 0x7F", "M.K.", {1, 0x80, 5}, {}, 200000, 1084 + 2 * 1024},
        {"xCHN", "6CHN", {0}, {1}, 200000, 1084 + 6 * 256 + 2},
        {"xxCH", "12CH", {1}, {}, 200000, 1084 + 2 * 12 * 256},
        {"FLT8 orders count 4-channel halves", "FLT8", {0, 2, 3}, {}, 200000, 1084 + 2 * 2048},
        {"FLT4", "FLT4", {3}, {}, 200000, 1084 + 4 * 1024},
        {"never past the readable extent", "M.K.", {0}, {0xFFFF}, 5000, 5000},
        {"... also when that is the header alone", "M.K.", {0}, {0xFFFF}, 1084, 1084},
    };
    for (const auto &c : cases) {
        Bytes b(200000, 0);
        for (size_t i = 0; i < c.words.size(); i++) {
            b[20 + 30 * i + 22] = (uint8_t)(c.words[i] >> 8);
            b[20 + 30 * i + 23] = (uint8_t)c.words[i];
        }
        b[950] = (uint8_t)c.orders.size();
        std::copy(c.orders.begin(), c.orders.end(), b.begin() + 952);
        memcpy(&b[1080], c.tag, 4);
        ModuleExtent e = module_extent(b.data(), c.readable);
        EXPECT_EQ(e.kind, KindMod) << c.what;
        EXPECT_EQ(e.size, c.size) << c.what;
    }
}

TEST(ModuleSize, FifteenSampleModule)
{
    Bytes b(600, 0);
    b[20 + 22] = 0;
    b[20 + 23] = 8; // 16 bytes of sample
    b[470] = 2;     // song length
    b[473] = 1;     // orders 0, 1
    b.resize(5000, 0);
    ModuleExtent e = module_extent(b.data(), b.size());
    EXPECT_EQ(e.kind, KindSt);
    EXPECT_EQ(e.size, 600u + 2 * 1024 + 16);
    b[25 + 20] = 65; // a volume above 64: not a module the renderer takes
    EXPECT_EQ(module_extent(b.data(), b.size()).kind, KindOther);
}

// XM 1.04 keeps each instrument's sample data after its headers; 1.02 and 1.03 put all
// instruments before the patterns and all sample data after them. The packed size of a
// 1.02 pattern sits a byte earlier (its row count is one byte).
TEST(ModuleSize, XmVersionsOrderTheirParts)
{
    for (uint32_t version : {0x0104u, 0x0103u, 0x0102u}) {
        Bytes b;
        put_text(b, "Extended Module: ", 17);
        b.resize(58, 0);
        // Header size 20 (nothing after the counts), song length 1, restart 0, 2 channels,
        // one pattern, one instrument, flags, speed, tempo.
        pack_le(b, "HIHHHHHHHH", {version, 20, 1, 0, 2, 1, 1, 0, 6, 125});
        Bytes pattern, instrument;
        if (version > 0x0102)
            pack_le(pattern, "IBHH", {9, 0, 64, 10});
        else
            pack_le(pattern, "IBBH", {8, 0, 63, 10});
        pattern.resize(pattern.size() + 10, 0x80);
        // Header size 243 (the sample headers follow it), two samples.
        pack_le(instrument, "I", {243});
        instrument.resize(27, 0);
        put_le16(instrument, 2);
        instrument.resize(243 + 2 * 40, 0);
        poke_le32(instrument, 243, 100);
        poke_le32(instrument, 243 + 40, 7);
        instrument[243 + 40 + 17] = 0xAD; // 7 ADPCM values: 16 + 4 bytes
        Bytes data(100 + 20, 1);
        if (version > 0x0103) {
            b.insert(b.end(), pattern.begin(), pattern.end());
            b.insert(b.end(), instrument.begin(), instrument.end());
        } else {
            b.insert(b.end(), instrument.begin(), instrument.end());
            b.insert(b.end(), pattern.begin(), pattern.end());
            data.resize(100 + 7); // the deferred data is never ADPCM
        }
        b.insert(b.end(), data.begin(), data.end());
        size_t size = b.size();
        b.resize(size + 3000, 0x11);
        EXPECT_EQ(module_extent(b.data(), b.size()).size, size) << std::hex << version;
    }
}

// A compressed IT sample's stored size is only found by walking its blocks; the walk
// stops at the readable extent.
TEST(ModuleSize, ItCompressedBlocksAreWalked)
{
    SongSpec song;
    song.title = "blocks";
    song.orders = {0};
    song.patterns = {{}};
    song.samples = {{"long", noise(0x8000 * 2 + 100, 3), false, 0, 0, true}}; // three blocks
    Bytes b = write_song_it(song);
    size_t size = b.size();
    b.resize(size + 100000, 0x40);
    EXPECT_EQ(module_extent(b.data(), b.size()).size, size);
    EXPECT_EQ(module_extent(b.data(), size - 1).size, size - 1);
}

} // namespace
