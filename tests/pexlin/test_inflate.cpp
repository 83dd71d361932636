// The deflate decoder: hand-made streams at the bit level, round trips against zlib's
// compressor, and the borders where the fast paths (symbols decoded from whole bytes of the
// input block, matches copied inside the window, stored blocks copied in runs) must hand
// over to the careful ones: the end of a 512-byte input block, the member's compressed
// size, the window's end, the declared size.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "pexlin_test_util.h"

namespace
{

// A fixed-code stream written symbol by symbol, with the output it must decode to.
struct FixedStream {
    BitWriter bits;
    Bytes expect;

    FixedStream &block(bool last)
    {
        bits.put(last ? 1 : 0, 1).put(1, 2);
        return *this;
    }
    FixedStream &literal(uint8_t v)
    {
        fixed_symbol(bits, v);
        expect.push_back(v);
        return *this;
    }
    FixedStream &match(int length, int distance)
    {
        fixed_match(bits, length, distance);
        for (int k = 0; k < length; k++)
            expect.push_back(expect[expect.size() - distance]);
        return *this;
    }
    FixedStream &end_block()
    {
        fixed_symbol(bits, 256);
        return *this;
    }
    // A stored block, starting at the next byte boundary.
    FixedStream &stored(bool last, const Bytes &data)
    {
        bits.put(last ? 1 : 0, 1).put(0, 2);
        bits.put(0, (8 - bits.n) % 8);
        bits.put((uint32_t)data.size(), 16).put((uint32_t)data.size() ^ 0xFFFF, 16);
        for (uint8_t b : data)
            bits.put(b, 8);
        expect.insert(expect.end(), data.begin(), data.end());
        return *this;
    }
    // The whole stream decoded as one member: it must give exactly `expect`.
    void check(const std::string &what) const
    {
        MemberRun r = run(bits.done(), 8, (uint32_t)expect.size(), zip_crc32(expect));
        EXPECT_EQ(StatusOk, r.status) << what;
        EXPECT_TRUE(r.out == expect) << what;
    }
};

// Decodes `stream` placed at `offset` in an image with junk in front and `after` behind
// it, the member's compressed size being `compressed` (the stream's size when negative).
MemberRun run_in_image(const Bytes &stream, size_t offset, const Bytes &after, uint32_t declared,
                       int64_t expected_crc, int64_t compressed = -1)
{
    Bytes image = noise(offset, 5);
    image.insert(image.end(), stream.begin(), stream.end());
    image.insert(image.end(), after.begin(), after.end());
    return run_at(image, offset, 8, declared, expected_crc, 0,
                  compressed < 0 ? (int64_t)stream.size() : compressed);
}

Bytes mixed_data()
{
    return joined({word_text(12000, 3), noise(3000, 8), word_text(9000, 4)});
}

// A dynamic block header whose code-length code gives lengths `cl` (by symbol).
BitWriter dynamic_header(const std::vector<std::pair<int, int>> &cl, int hclen = 16)
{
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int lengths[19] = {0};
    for (auto &p : cl)
        lengths[p.first] = p.second;
    BitWriter b;
    b.put(1, 1).put(2, 2).put(0, 5).put(0, 5).put(hclen - 4, 4);
    for (int i = 0; i < hclen; i++)
        b.put(lengths[order[i]], 3);
    return b;
}

// A dynamic block whose literal/length code gives 'a' and `second_symbol` one bit each
// (with a second symbol below 256 end-of-block gets no code at all), and one distance code
// of `dist_len` bits; then the data bits. Code-length code: 18 -> "0", 0 -> "10", 1 ->
// "110", 2 -> "111".
Bytes two_symbol_block(int second_symbol, int dist_len, const std::vector<int> &data_bits)
{
    BitWriter b = dynamic_header({{18, 1}, {0, 2}, {1, 3}, {2, 3}}, 18);
    auto length_code = [&](int len) {
        if (len == 0)
            b.code(2, 2);
        else
            b.code(len == 1 ? 6 : 7, 3);
    };
    auto zeros = [&](int n) {
        while (n >= 11) {
            int k = n > 138 ? 138 : n;
            if (n - k > 0 && n - k < 11)
                k = n - 11;
            b.code(0, 1).put(k - 11, 7);
            n -= k;
        }
        while (n-- > 0)
            length_code(0);
    };
    zeros('a');
    length_code(1);
    zeros(second_symbol - 'a' - 1);
    length_code(1);
    zeros(256 - second_symbol);
    length_code(dist_len);
    for (int bit : data_bits)
        b.put(bit, 1);
    return b.done();
}

} // namespace

TEST(Inflate, HandMadeStreams)
{
    struct {
        const char *what;
        Bytes stream;
        bool valid;
        Bytes out;
    } cases[] = {
        {"stored block", {0x01, 0x03, 0x00, 0xFC, 0xFF, 0x61, 0x62, 0x63}, true, text_of("abc")},
        {"stored length check", {0x01, 0x03, 0x00, 0xFD, 0xFF, 0x61, 0x62, 0x63}, false, {}},
        {"fixed literal", {0x4B, 0x04, 0x00}, true, Bytes(1, 'a')},
        {"self-repeating copy", {0x4B, 0x4C, 0x84, 0x01, 0x00}, true, Bytes(10, 'a')},
        {"block type 3", {0x07, 0x00}, false, {}},
        // Three one-bit codes cannot exist; one two-bit code leaves the space unfilled.
        {"over-subscribed code-length code",
         dynamic_header({{0, 1}, {8, 1}, {18, 1}}).done(),
         false,
         {}},
        {"incomplete code-length code", dynamic_header({{8, 2}}).done(), false, {}},
        // 'a' = "0", end of block = "1", one distance code of one bit: complete.
        {"lone one-bit codes", two_symbol_block(256, 1, {0, 0, 0, 1}), true, text_of("aaa")},
    };
    for (auto &c : cases) {
        MemberRun r = run(c.stream, 8, c.valid ? (uint32_t)c.out.size() : 5, zip_crc32(c.out));
        EXPECT_EQ(c.valid ? StatusOk : StatusBadFormat, r.status) << c.what;
        EXPECT_EQ(c.out, r.out) << c.what;
    }
}

TEST(Inflate, InvalidCodesAndDistancesAtTheInputsEndAndInsideTheFastPath)
{
    // After 1 literal the careful path meets them at the input's end; after 100, with
    // 64 more bytes behind, the fast path meets them.
    for (int lead : {1, 100}) {
        FixedStream f;
        f.block(true);
        for (int i = 0; i < lead; i++)
            f.literal((uint8_t)(i + 'a'));
        struct {
            const char *what;
            BitWriter bits;
            bool valid;
        } cases[] = {
            {"distance code 30", f.bits, false},
            {"length code 286", f.bits, false},
            {"distance inside the output", f.bits, true},
            {"distance before the member's start", f.bits, false},
        };
        cases[0].bits.code(1, 7).code(30, 5);
        cases[1].bits.code(0xC0 + 6, 8);
        // Distance codes 13 and 14 with 6 zero extra bits: 97, and 129 after 100 bytes;
        // 1 and 2 after one.
        cases[2].bits.code(1, 7).code(lead == 1 ? 0 : 13, 5).put(0, lead == 1 ? 0 : 6);
        cases[3].bits.code(1, 7).code(lead == 1 ? 1 : 14, 5).put(0, lead == 1 ? 0 : 6);
        for (auto &c : cases) {
            c.bits.put(0, 7);
            for (int i = 0; lead > 1 && i < 64; i++)
                c.bits.put(0, 8);
            EXPECT_EQ(c.valid, run(c.bits.done(), 8, 1000).status != StatusBadFormat)
                << c.what << ", lead " << lead;
        }
    }
}

TEST(Inflate, EndlessStreamStopsWhereTheInputEnds)
{
    // 'a' is the code "0": once the input is used up, zero bits would decode to 'a'
    // forever. The decode ends at the input's end, far below the declared size.
    MemberRun r = run(two_symbol_block('b', 1, std::vector<int>(10, 0)), 8, 1000000);
    EXPECT_EQ(StatusWarning, r.status);
    EXPECT_GE(r.out.size(), 10u);
    EXPECT_LT(r.out.size(), 20u);
    EXPECT_EQ(Bytes(r.out.size(), 'a'), r.out);
}

TEST(Inflate, RoundTripsAgainstZlib)
{
    Bytes block = noise(40000, 3); // repeats 40000 back: distances near the window size
    struct {
        const char *name;
        Bytes data;
    } shapes[] = {
        {"empty", Bytes()},
        {"one_byte", Bytes(1, 0x61)},
        {"run_longer_than_window", Bytes(100000, 'x')},
        {"random", noise(200000, 1)},
        {"text", word_text(300000, 7)},
        {"far_repeats", joined({block, block, Bytes(block.begin(), block.begin() + 20000)})},
        {"mixed", joined({word_text(50000, 7), noise(30000, 9), word_text(70000, 7)})},
        {"ramp", ramp8(70000, 0, 3)}};
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (auto &shape : shapes) {
        for (int level = 0; level <= 9; level += 3) {
            for (int strategy : strategies) {
                if (level == 0 && strategy != Z_DEFAULT_STRATEGY)
                    continue;
                Bytes packed = zlib_deflate(shape.data, level, strategy);
                MemberRun r = run(packed, 8, (uint32_t)shape.data.size(), zip_crc32(shape.data));
                ASSERT_EQ(StatusOk, r.status)
                    << shape.name << " level " << level << " strategy " << strategy;
                ASSERT_TRUE(r.out == shape.data) << shape.name << " level " << level;
            }
        }
    }
}

TEST(Inflate, MatchesAcrossTheWindowsEndAndAtTheLargestDistance)
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
        int tail = (int)(f.expect.size() % 32768) + 1 + (int)next(300); // tail, then start
        int distances[] = {32768, 32768 - (int)next(300), 1 + (int)next(8), tail,
                           1 + (int)next(32768)};
        f.match(length, std::min(32768, distances[pick < 6 ? pick - 2 : 4]));
    }
    f.end_block();
    f.check("random matches");
}

TEST(Inflate, MatchCopiesOfEveryShortDistanceAndLength)
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
    f.check("short matches");
}

TEST(Inflate, StreamAtEveryOffsetOfTheInputBlock)
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

TEST(Inflate, NoByteBeyondTheCompressedSizeIsRead)
{
    // A member cut short but followed by more bytes of the same stream: what comes out must
    // be what comes out when the image itself ends at the cut, and right as far as it
    // goes. Reading on would decode the bytes that follow instead of the zero padding.
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

TEST(Inflate, StoredBlockSpanningInputBlocksWindowsAndTheDeclaredSize)
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

TEST(Inflate, StoredBlockAfterCodesTakesTheBytesAlreadyInTheBitBuffer)
{
    // The fast path holds up to seven input bytes in its bit buffer when a block ends; a
    // stored block behind it must take its header and first bytes from there. Every count
    // of leading literals shifts where the stored block starts.
    for (int lead = 0; lead < 40; lead++) {
        FixedStream f;
        f.block(false);
        for (int i = 0; i < 200 + lead; i++)
            f.literal((uint8_t)(i * 7 + lead));
        f.match(10, 3).end_block();
        f.stored(false, noise(700 + lead, (uint32_t)lead));
        f.block(true).match(258, 700).end_block();
        f.check("lead " + std::to_string(lead));
    }
}

TEST(Inflate, DeclaredSizeReachedInsideTheFastPath)
{
    // Every declared size below the real one: the output stops exactly there, and the CRC
    // of that prefix makes the member whole.
    Bytes data = mixed_data();
    Bytes packed = zlib_deflate(data, 6);
    for (uint32_t size = 1; size < data.size(); size += 997) {
        Bytes prefix(data.begin(), data.begin() + size);
        MemberRun r = run(packed, 8, size, zip_crc32(prefix));
        ASSERT_EQ(StatusOk, r.status) << "size " << size;
        ASSERT_TRUE(r.out == prefix) << "size " << size;
    }
}
