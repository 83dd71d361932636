// The deflate decoder: hand-made streams at the bit level, round trips against zlib's
// compressor, and the borders where the fast path (symbols decoded from whole bytes of the
// image, matches copied in wide pieces, stored blocks copied in runs) must hand over to the
// careful one: the member's compressed size, the input block, the declared size.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "pexlin_test_util.h"

namespace
{

// The stream decoded as one member must give exactly what it was written to give.
void check(const FixedDeflate &f, const std::string &what)
{
    MemberRun r = run(f.bits.done(), 8, (uint32_t)f.expect.size(), zip_crc32(f.expect));
    EXPECT_EQ(StatusOk, r.status) << what;
    EXPECT_TRUE(r.out == f.expect) << what;
}

// `stream` at `offset` in an image with junk in front and `after` behind it; the member's
// compressed size is the stream's unless `compressed` says otherwise.
MemberRun run_in_image(const Bytes &stream, size_t offset, const Bytes &after, uint32_t declared,
                       int64_t crc, int64_t compressed = -1)
{
    Bytes image = joined({noise(offset, 5), stream, after});
    return run(image, 8, declared, crc, 0, offset,
               compressed < 0 ? (int64_t)stream.size() : compressed);
}

// A dynamic block: the code-length code's lengths by symbol (by default lengths 0 to 15 in
// four bits each, a complete code whose codes are the lengths themselves), the lengths of
// the literal/length and distance codes written with it, then the data bits.
Bytes dynamic_block(const std::vector<int> &lit, const std::vector<int> &dist,
                    const std::vector<int> &data_bits,
                    std::vector<int> code_lengths = std::vector<int>(16, 4))
{
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    code_lengths.resize(19);
    BitWriter b;
    b.put(1, 1).put(2, 2).put((uint32_t)lit.size() - 257, 5).put((uint32_t)dist.size() - 1, 5);
    b.put(15, 4);
    for (int i = 0; i < 19; i++)
        b.put(code_lengths[order[i]], 3);
    for (int len : lit)
        b.code(len, 4);
    for (int len : dist)
        b.code(len, 4);
    for (int bit : data_bits)
        b.put(bit, 1);
    return b.done();
}

// Literal/length code lengths with 'a' and `second` one bit each, the rest none.
std::vector<int> two_symbols(int second)
{
    std::vector<int> lit(257, 0);
    lit['a'] = lit[second] = 1;
    return lit;
}

} // namespace

TEST(Inflate, HandMadeStreams)
{
    // Code-length codes: three one-bit codes cannot exist; one two-bit code leaves the
    // space unfilled.
    std::vector<int> over(19, 0), under(19, 0);
    over[0] = over[8] = over[18] = 1;
    under[8] = 2;
    struct {
        const char *what;
        Bytes stream;
        bool valid;
        Bytes out;
    } cases[] = {
        {"stored length check", {0x01, 0x03, 0x00, 0xFD, 0xFF, 0x61, 0x62, 0x63}, false, {}},
        {"block type 3", {0x07, 0x00}, false, {}},
        {"over-subscribed code-length code",
         dynamic_block(two_symbols(256), {1}, {}, over),
         false,
         {}},
        {"incomplete code-length code", dynamic_block(two_symbols(256), {1}, {}, under), false, {}},
        // 'a' = "0", end of block = "1", one distance code of one bit: complete.
        {"lone one-bit codes", dynamic_block(two_symbols(256), {1}, {0, 0, 0, 1}), true,
         text_of("aaa")},
    };
    for (auto &c : cases) {
        MemberRun r = run(c.stream, 8, c.valid ? (uint32_t)c.out.size() : 5, zip_crc32(c.out));
        EXPECT_EQ(c.valid ? StatusOk : StatusBadFormat, r.status) << c.what;
        EXPECT_EQ(c.out, r.out) << c.what;
    }
    // 'a' is the code "0": once the input is used up, zero bits would decode to 'a' forever.
    // The decode ends at the input's end, far below the declared size.
    MemberRun r = run(dynamic_block(two_symbols('b'), {1}, std::vector<int>(10, 0)), 8, 1000000);
    EXPECT_EQ(StatusWarning, r.status);
    EXPECT_TRUE(r.out.size() >= 10 && r.out.size() < 20 && r.out == Bytes(r.out.size(), 'a'));
}

TEST(Inflate, InvalidCodesAndDistancesAtTheInputsEndAndInsideTheFastPath)
{
    // After 1 literal the careful path meets them at the input's end; after 100, with
    // 64 more bytes behind, the fast path meets them.
    for (int lead : {1, 100}) {
        FixedDeflate f;
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

TEST(Inflate, RoundTripsAgainstZlib)
{
    Bytes block = noise(40000, 3); // repeats 40000 back: distances near the largest
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
    for (auto &shape : shapes) {
        for (int level = 0; level <= 9; level += 3) {
            for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
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

TEST(Inflate, MatchCopiesOfEveryShortDistanceAndLengthAndTheLargestDistance)
{
    // Matches are copied in pieces of 4 and 8 bytes, the last piece ending with the match,
    // and sources fewer than 8 bytes behind are widened by copying their period. Every
    // distance up to 20 with every length up to 40, behind fresh literals each time; then
    // matches from the largest distances, 32768 and just below.
    FixedDeflate f;
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
    while (f.expect.size() < 32768)
        f.literal((uint8_t)(f.expect.size() * 7));
    while (f.expect.size() < 70000)
        f.match(258, 32768 - f.expect.size() % 13);
    check(f.end_block(), "short and far matches");
}

TEST(Inflate, StreamsAtEveryOffsetCutShortAndDeclaredShort)
{
    // Every start offset moves the input block's borders across the stream. Declared sizes
    // below the real one: the output stops exactly there, and the CRC of that prefix makes
    // the member whole. A member cut short but followed by more bytes of the same stream
    // must give what it gives when the image itself ends at the cut, right as far as it
    // goes: reading on would decode the bytes that follow instead of the zero padding.
    Bytes data = joined({word_text(12000, 3), noise(3000, 8), word_text(9000, 4)});
    uint32_t crc = zip_crc32(data);
    for (const Bytes &stream : {zlib_deflate(data, 6), zlib_deflate(data, 1), zlib_deflate(data, 0),
                                deflate_fixed(data)}) {
        for (size_t offset = 0; offset < 530; offset += 3) {
            MemberRun r = run_in_image(stream, offset, noise(600, 9), (uint32_t)data.size(), crc);
            ASSERT_EQ(StatusOk, r.status) << "offset " << offset;
            ASSERT_TRUE(r.out == data) << "offset " << offset;
        }
        for (uint32_t size = 1; size < data.size(); size += 997) {
            Bytes prefix(data.begin(), data.begin() + size);
            MemberRun r = run_in_image(stream, 301, Bytes(), size, zip_crc32(prefix));
            ASSERT_EQ(StatusOk, r.status) << "size " << size;
            ASSERT_TRUE(r.out == prefix) << "size " << size;
        }
        for (size_t cut = 0; cut < stream.size(); cut += (cut < 40 ? 1 : 13)) {
            Bytes head(stream.begin(), stream.begin() + cut),
                tail(stream.begin() + cut, stream.end());
            for (size_t offset : {(size_t)0, (size_t)509}) {
                MemberRun alone = run_in_image(head, offset, Bytes(), (uint32_t)data.size(), -1);
                MemberRun followed = run_in_image(head, offset, tail, (uint32_t)data.size(), -1);
                ASSERT_EQ(alone.status, followed.status) << "cut " << cut;
                ASSERT_TRUE(alone.out == followed.out) << "cut " << cut;
                ASSERT_TRUE(alone.out.size() <= data.size() &&
                            std::equal(alone.out.begin(), alone.out.end(), data.begin()))
                    << "cut " << cut;
            }
        }
    }
    // The image ending inside a stored block: the bytes present, and a short member.
    Bytes random = noise(70000, 21), stored = zlib_deflate(random, 0);
    MemberRun r = run_in_image(Bytes(stored.begin(), stored.begin() + 50000), 301, Bytes(),
                               (uint32_t)random.size(), zip_crc32(random), (int64_t)stored.size());
    EXPECT_EQ(StatusWarning, r.status);
    EXPECT_TRUE(r.out.size() <= random.size() && r.out.size() >= 32768 &&
                std::equal(r.out.begin(), r.out.end(), random.begin()));
}

TEST(Inflate, StoredBlockAfterCodesTakesTheBytesAlreadyInTheBitBuffer)
{
    // The fast path holds up to seven input bytes in its bit buffer when a block ends; a
    // stored block behind it must take its header and first bytes from there. Every count
    // of leading literals shifts where the stored block starts.
    for (int lead = 0; lead < 40; lead++) {
        FixedDeflate f;
        f.block(false);
        for (int i = 0; i < 200 + lead; i++)
            f.literal((uint8_t)(i * 7 + lead));
        f.match(10, 3).end_block();
        f.stored(false, noise(700 + lead, (uint32_t)lead));
        check(f.block(true).match(258, 700).end_block(), "lead " + std::to_string(lead));
    }
}
