// The deflate decoder's fast paths: symbols decoded from whole bytes of the input block,
// matches copied inside the window, stored blocks copied in runs. Each case aims at a
// border where the fast path must hand over to the careful one: the end of a 512-byte input
// block, the member's compressed size, the window's end, the declared size.
#include <gtest/gtest.h>
#include <zlib.h>

#include "pexlin_test_util.h"
#include "zip_writer.h"

namespace
{

// A fixed-code deflate stream written symbol by symbol, and the output it must decode to.
struct FixedStream {
    Bits bits;
    Bytes expect;

    FixedStream &block(bool last)
    {
        bits.put(last ? 1 : 0, 1).put(1, 2);
        return *this;
    }
    FixedStream &literal(uint8_t v)
    {
        if (v < 144)
            bits.code(0x30 + v, 8);
        else
            bits.code(0x190 + v - 144, 9);
        expect.push_back(v);
        return *this;
    }
    FixedStream &symbol(int sym)
    {
        if (sym < 280)
            bits.code(sym - 256, 7);
        else
            bits.code(0xC0 + sym - 280, 8);
        return *this;
    }
    FixedStream &match(int length, int distance)
    {
        static const int lbase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const int lextra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static const int dbase[30] = {
            1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
            193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static const int dextra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        int l = 28;
        while (lbase[l] > length)
            l--;
        symbol(257 + l);
        bits.put(length - lbase[l], lextra[l]);
        int d = 29;
        while (dbase[d] > distance)
            d--;
        bits.code(d, 5);
        bits.put(distance - dbase[d], dextra[d]);
        for (int k = 0; k < length; k++)
            expect.push_back(expect[expect.size() - distance]);
        return *this;
    }
    FixedStream &end_block()
    {
        return symbol(256);
    }
    // A stored block, starting at the next byte boundary.
    FixedStream &stored(bool last, const Bytes &data)
    {
        bits.put(last ? 1 : 0, 1).put(0, 2);
        while (bits.n != 0)
            bits.put(0, 1);
        uint32_t len = (uint32_t)data.size();
        bits.put(len, 16).put(len ^ 0xFFFF, 16);
        for (uint8_t b : data)
            bits.put(b, 8);
        expect.insert(expect.end(), data.begin(), data.end());
        return *this;
    }
};

// Decodes `stream` placed at `offset` in an image with `before`/`after` bytes of junk around
// it, the member's compressed size being `compressed` (the stream's size when negative).
MemberRun run_in_image(const Bytes &stream, size_t offset, const Bytes &after, uint32_t declared,
                       int64_t expected_crc, int64_t compressed = -1, int method = 8)
{
    Bytes image = noise(offset, 5);
    image.insert(image.end(), stream.begin(), stream.end());
    image.insert(image.end(), after.begin(), after.end());
    return run_member_at(image, offset, compressed < 0 ? (int64_t)stream.size() : compressed,
                         method, declared, 0, expected_crc);
}

Bytes mixed_data()
{
    Bytes d = word_text(12000, 3);
    Bytes n = noise(3000, 8);
    d.insert(d.end(), n.begin(), n.end());
    Bytes t = word_text(9000, 4);
    d.insert(d.end(), t.begin(), t.end());
    return d;
}

} // namespace

TEST(InflateFast, MatchesAcrossTheWindowsEndAndAtTheLargestDistance)
{
    // Random literals and matches over several windows: distances up to 32768 (which names
    // the byte the copy overwrites), sources in the window's tail that end in it or run on
    // to its start, destinations right below the window's end, self-repeating short ones.
    FixedStream f;
    f.block(true);
    uint32_t x = 7;
    auto next = [&](uint32_t n) {
        x = x * 1103515245u + 12345u;
        return (x >> 8) % n;
    };
    while (f.expect.size() < 33000)
        f.literal((uint8_t)next(256));
    while (f.expect.size() < 230000) {
        uint32_t pick = next(10);
        if (pick < 2) {
            for (uint32_t k = 1 + next(20); k > 0; k--)
                f.literal((uint8_t)next(256));
            continue;
        }
        int length = 3 + (int)next(256);
        int distance;
        if (pick == 2)
            distance = 32768;
        else if (pick == 3)
            distance = 32768 - (int)next(300);
        else if (pick == 4)
            distance = 1 + (int)next(8);
        else if (pick == 5)
            distance = (int)(f.expect.size() % 32768) + 1 + (int)next(300); // tail, then start
        else
            distance = 1 + (int)next(32768);
        if (distance > 32768)
            distance = 32768;
        f.match(length, distance);
    }
    f.end_block();
    Bytes stream = f.bits.done();
    MemberRun run = run_member(stream, 8, (uint32_t)f.expect.size(), 0, zip_crc32(f.expect));
    EXPECT_EQ(StatusOk, run.status);
    ASSERT_EQ(f.expect.size(), run.out.size());
    EXPECT_TRUE(run.out == f.expect);
}

TEST(InflateFast, MatchCopiesOfEveryShortDistanceAndLength)
{
    // Matches are copied in pieces of 4 and 8 bytes, the last piece ending with the match,
    // and sources fewer than 8 bytes behind are widened by copying their period. Every
    // distance up to 20 with every length up to 40, behind fresh literals each time; then
    // sources in the window's tail fewer than 8 bytes ahead of the destination.
    FixedStream f;
    f.block(true);
    uint32_t x = 3;
    for (int distance = 1; distance <= 20; distance++) {
        for (int length = 3; length <= 40; length++) {
            for (int i = 0; i < distance; i++) {
                x = x * 1103515245u + 12345u;
                f.literal((uint8_t)(x >> 24));
            }
            f.match(length, distance);
        }
    }
    while (f.expect.size() < 32768 || f.expect.size() % 32768 != 32768 - 300)
        f.literal((uint8_t)f.expect.size());
    for (int distance = 32768; distance > 32756; distance--)
        f.match(258, distance);
    f.end_block();
    Bytes stream = f.bits.done();
    MemberRun run = run_member(stream, 8, (uint32_t)f.expect.size(), 0, zip_crc32(f.expect));
    EXPECT_EQ(StatusOk, run.status);
    EXPECT_TRUE(run.out == f.expect);
}

TEST(InflateFast, StreamAtEveryOffsetOfTheInputBlock)
{
    // The fast path reads eight bytes at a time from the 512-byte block and gives way near
    // its end; every start offset moves those borders across the stream.
    Bytes data = mixed_data();
    const Bytes packed[] = {zlib_deflate(data, 6), zlib_deflate(data, 1), zlib_deflate(data, 0),
                            deflate_fixed(data)};
    Bytes after = noise(600, 9);
    uint32_t crc = zip_crc32(data);
    for (const Bytes &stream : packed) {
        for (size_t offset = 0; offset < 530; offset += 3) {
            MemberRun run = run_in_image(stream, offset, after, (uint32_t)data.size(), crc);
            ASSERT_EQ(StatusOk, run.status) << "offset " << offset;
            ASSERT_TRUE(run.out == data) << "offset " << offset;
        }
    }
}

TEST(InflateFast, NoByteBeyondTheCompressedSizeIsRead)
{
    // A member cut short but followed by more bytes of the same stream: what comes out must
    // be what comes out when the image itself ends at the cut. Reading on would decode the
    // bytes that follow instead of the zero padding.
    Bytes data = mixed_data();
    for (int level : {0, 6}) {
        Bytes packed = zlib_deflate(data, level);
        for (size_t cut = 0; cut < packed.size(); cut += (cut < 40 ? 1 : 13)) {
            Bytes head(packed.begin(), packed.begin() + cut);
            Bytes tail(packed.begin() + cut, packed.end());
            for (size_t offset : {(size_t)0, (size_t)509}) {
                MemberRun alone = run_in_image(head, offset, Bytes(), (uint32_t)data.size(), -1);
                MemberRun followed = run_in_image(head, offset, tail, (uint32_t)data.size(), -1);
                ASSERT_EQ(alone.status, followed.status) << "cut " << cut;
                ASSERT_TRUE(alone.out == followed.out) << "cut " << cut;
                ASSERT_LE(alone.out.size(), data.size());
                ASSERT_TRUE(std::equal(alone.out.begin(), alone.out.end(), data.begin()))
                    << "level " << level << " cut " << cut;
            }
        }
    }
}

TEST(InflateFast, StoredBlockSpanningInputBlocksWindowsAndTheDeclaredSize)
{
    Bytes data = noise(70000, 21);
    Bytes stream = deflate_stored(data);
    // Whole, from an odd offset: the runs end at 512-byte blocks and at the window's end.
    MemberRun run =
        run_in_image(stream, 301, noise(100, 1), (uint32_t)data.size(), zip_crc32(data));
    EXPECT_EQ(StatusOk, run.status);
    EXPECT_TRUE(run.out == data);
    // A smaller declared size: the copy stops there, inside a run.
    Bytes first(data.begin(), data.begin() + 40001);
    run = run_in_image(stream, 301, Bytes(), (uint32_t)first.size(), zip_crc32(first));
    EXPECT_EQ(StatusOk, run.status);
    EXPECT_TRUE(run.out == first);
    // The image ends inside the block: the bytes present, and a short member.
    Bytes cut(stream.begin(), stream.begin() + 50000);
    run = run_in_image(cut, 301, Bytes(), (uint32_t)data.size(), zip_crc32(data),
                       (int64_t)stream.size());
    EXPECT_EQ(StatusWarning, run.status);
    ASSERT_LE(run.out.size(), data.size());
    EXPECT_TRUE(std::equal(run.out.begin(), run.out.end(), data.begin()));
    EXPECT_GE(run.out.size(), 32768u); // the whole windows before the cut
}

TEST(InflateFast, StoredBlockAfterCodesTakesTheBytesAlreadyInTheBitBuffer)
{
    // The fast path holds up to seven input bytes in its bit buffer when a block ends; a
    // stored block behind it must take its header and first bytes from there. Every count
    // of leading literals shifts where the stored block starts.
    for (int lead = 0; lead < 40; lead++) {
        FixedStream f;
        f.block(false);
        for (int i = 0; i < 200 + lead; i++)
            f.literal((uint8_t)(i * 7 + lead));
        f.match(10, 3);
        f.end_block();
        f.stored(false, noise(700 + lead, (uint32_t)lead));
        f.block(true);
        f.match(258, 700);
        f.end_block();
        Bytes stream = f.bits.done();
        MemberRun run = run_member(stream, 8, (uint32_t)f.expect.size(), 0, zip_crc32(f.expect));
        ASSERT_EQ(StatusOk, run.status) << "lead " << lead;
        ASSERT_TRUE(run.out == f.expect) << "lead " << lead;
    }
}

TEST(InflateFast, DeclaredSizeReachedInsideTheFastPath)
{
    // Every declared size below the real one: the output stops exactly there, and the CRC
    // of that prefix makes the member whole.
    Bytes data = mixed_data();
    Bytes packed = zlib_deflate(data, 6);
    for (uint32_t size = 1; size < data.size(); size += 997) {
        Bytes prefix(data.begin(), data.begin() + size);
        MemberRun run = run_member(packed, 8, size, 0, zip_crc32(prefix));
        ASSERT_EQ(StatusOk, run.status) << "size " << size;
        ASSERT_TRUE(run.out == prefix) << "size " << size;
    }
}

TEST(InflateFast, InvalidCodesAndDistancesInsideTheFastPath)
{
    // Far from the input's end, so the fast path meets them.
    FixedStream f;
    f.block(true);
    for (int i = 0; i < 100; i++)
        f.literal((uint8_t)i);
    Bits code30 = f.bits;
    code30.code(1, 7).code(30, 5); // length 3, distance code 30
    for (int i = 0; i < 64; i++)
        code30.put(0, 8);
    EXPECT_EQ(1, inflate_result(code30.done(), 1000));
    Bits len286 = f.bits;
    len286.code(0xC0 + 6, 8);
    for (int i = 0; i < 64; i++)
        len286.put(0, 8);
    EXPECT_EQ(1, inflate_result(len286.done(), 1000));
    Bits too_far = f.bits;
    too_far.code(1, 7).code(13, 5).put(0, 6); // distance 97: inside the 100 bytes
    Bits beyond = f.bits;
    beyond.code(1, 7).code(14, 5).put(0, 6); // distance 129 > 100 bytes of output
    for (int i = 0; i < 64; i++) {
        too_far.put(0, 8);
        beyond.put(0, 8);
    }
    EXPECT_EQ(0, inflate_result(too_far.done(), 1000));
    EXPECT_EQ(1, inflate_result(beyond.done(), 1000));
}
