// The S3M loader, through the library's exported interface. (The PCM of the encodings it
// picks: libxmp on the unsigned S3M fixture, the IT fixtures and the extraction table.)
#include "loaded_module.h"
#include "s3m_writer.h"

#include <gtest/gtest.h>
#include <string.h>

TEST(S3mLoader, ParapointersFollowTheOrderList)
{
    // An odd list whose first entry is 255 is padded by one byte; any other is not. Data
    // past 1 MB needs the parapointer's high byte.
    struct {
        std::vector<uint8_t> orders;
        size_t listAt;
        uint32_t gap = 0; // before the data
    } cases[] = {
        {std::vector<uint8_t>(11, 0), 107},
        {{255, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 108},
        {{0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 107},
        {{255, 0}, 98},
        {{}, 96, 1100 * 1024},
    };
    for (auto &c : cases) {
        S3mSong song;
        song.orders = c.orders;
        song.gapBeforeData = c.gap;
        song.instruments = {{"x", ramp8(40)}, {"y", ramp8(50)}};
        Bytes file = write_s3m(song);
        // The writer's list is where the loader must look for it.
        uint32_t firstHeader = 16u * (file[c.listAt] | file[c.listAt + 1] << 8);
        ASSERT_EQ(memcmp(&file[firstHeader + 76], "SCRS", 4), 0) << c.orders.size();
        LoadedFile m(file);
        EXPECT_STREQ(m.entry(1).name, "y");
        EXPECT_EQ(m.stored(1), ramp8(50));
    }
}

TEST(S3mLoader, EncodingsAndLoopsFromTheFormatWordAndFlags)
{
    // Byte lengths are frames x channels x bytes; loops are cut to the sample.
    S3mSong song;
    song.title = "A title of more than 28 characters";
    song.sampleFormat = 1;
    song.instruments = {
        {"looped", noise(400, 2), 1, 0, 80},
        {"not a sample: no slot", {}, 0, 0, 0, S3mInstrument::Empty},
        {"AdLib: no slot", {}, 0, 0, 0, S3mInstrument::Adlib},
        {"16", noise(400, 2), 4, 0, 80},
        {"stereo", noise(400, 2), 2, 0, 80},
        {"16 stereo looped", noise(400, 2), 7, 0, 80},
        {"16 looped bytes", noise(2000, 5), 5, 100, 900},
        {"end below 4", noise(1000, 5), 1, 100, 3},
        {"past the end", noise(1000, 5), 1, 1000, 2000},
        {"no flag: cut", noise(1000, 5), 0, 5000, 10},
        {"16 stereo frames", noise(400, 5), 7, 10, 90},
        {"empty", Bytes(), 1, 10, 90},
    };
    LoadedFile m(write_s3m(song));
    EXPECT_EQ(m.table(), lines({"2 10/9 A title of more than 28 char",
                                "0 looped: 400 e0 400 L1:0-80 S4:0-0 8363 1x8",
                                "1 16: 200 e4 400 L0:0-160 S4:0-0 8363 1x16",
                                "2 stereo: 200 e8 400 L0:0-160 S4:0-0 8363 2x8",
                                "3 16 stereo looped: 100 e12 400 L1:0-320 S4:0-0 8363 2x16",
                                "4 16 looped bytes: 1000 e4 2000 L1:200-1800 S4:0-0 8363 1x16",
                                "5 end below 4: 1000 e0 1000 L1:100-0 S4:0-0 8363 1x8",
                                "6 past the end: 1000 e0 1000 L1:999-1000 S4:0-0 8363 1x8",
                                "7 no flag: cut: 1000 e0 1000 L0:999-10 S4:0-0 8363 1x8",
                                "8 16 stereo frames: 100 e12 400 L1:40-360 S4:0-0 8363 2x16",
                                "9 empty: 0 e0 0 L1:0-0 S4:0-0 8363 1x8"}));
    // Any other format word: unsigned data, one more in every encoding.
    for (uint16_t format : {2, 0}) {
        song.sampleFormat = format;
        LoadedFile u(write_s3m(song));
        for (unsigned i = 0; i < m.count(); i++)
            EXPECT_EQ(u.entry(i).encoding, m.entry(i).encoding + 1) << format << " " << i;
    }
}
