// The WAV image: exact layout, loop records, and a read-back through libsndfile, an
// independent reader, to prove other programs see our loops where the catalog has them.
#include "file_names.h"
#include "fixtures.h"
#include "mod_writer.h"
#include "virn.h"
#include "wav_image.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdio.h>
#include <string.h>

static uint32_t u32_at(const Bytes &b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | ((uint32_t)b[at + 3] << 24);
}

static CatalogEntry entry_of(uint8_t encoding, uint32_t byteLength, uint32_t rate)
{
    CatalogEntry e = {};
    e.encoding = encoding;
    e.info.byteLength = byteLength;
    e.rate = rate;
    strcpy(e.name, "kick");
    return e;
}

static Bytes image_of(const CatalogEntry &e)
{
    Bytes pcm(e.info.byteLength, 0x80);
    Bytes out(e.info.byteLength + WAV_IMAGE_OVERHEAD, 0xEE);
    uint32_t size = wav_image_from_pcm(&e, pcm.data(), out.data());
    EXPECT_EQ(size, wav_image_size(&e));
    out.resize(size);
    return out;
}

TEST(WavImage, Layout)
{
    // 8-bit mono, 1000 bytes, 8363 Hz, a format with sustain loops but none set: every
    // byte of the image, chunk by chunk.
    CatalogEntry e = entry_of(0, 1000, 8363);
    e.sustainType = 0;
    Bytes x;
    put_text(x, "RIFF", 4);
    pack_le(x, "I", {1178});
    put_text(x, "WAVEfmt ", 8);
    pack_le(x, "IHHIIHH", {16, 1, 1, 8363, 8363, 1, 8}); // PCM, channels, rates, align, bits
    put_text(x, "data", 4);
    pack_le(x, "I", {1000});
    x.insert(x.end(), 1000, 0x80);
    put_text(x, "smpl", 4);
    pack_le(x, "IIIIIIIIII", {36, 0, 0, 119574, 60, 0, 0, 0, 0, 0}); // period, unity note, no loops
    put_text(x, "LIST", 4);
    pack_le(x, "I", {66});
    put_text(x, "INFOINAM", 8);
    pack_le(x, "I", {35});
    put_text(x, "kick", 36);
    put_text(x, "ISFT", 4);
    pack_le(x, "I", {9});
    put_text(x, ".:Virn:.", 10);
    put_text(x, "xtra", 4);
    pack_le(x, "I", {16});
    x.insert(x.end(), 16, 0);
    EXPECT_EQ(image_of(e), x);
}

// The image's size and its loop records as written ("type:start-end", in frames, the end
// inclusive), from the sample-loop chunk behind 1000 bytes of PCM.
static std::string loop_records(const Bytes &w)
{
    std::string text = std::to_string(w.size());
    for (uint32_t i = 0, n = u32_at(w, 1044 + 36); i < n && 1044 + 68 + 24 * i <= w.size(); i++) {
        size_t r = 1044 + 44 + 24 * i;
        text += " " + std::to_string(u32_at(w, r + 4)) + ":" + std::to_string(u32_at(w, r + 8)) +
                "-" + std::to_string(u32_at(w, r + 12));
    }
    return text;
}

TEST(WavImage, LoopRecords)
{
    struct {
        const char *what;
        uint8_t encoding, loopType, sustainType;
        uint32_t loopStart, loopEnd, sustainStart, sustainEnd;
        const char *records;
    } cases[] = {
        {"no loops in a format without sustain", 0, 0, 4, 0, 0, 0, 0, "1210 0:0-0"},
        {"no loops in a format with sustain", 0, 0, 0, 0, 0, 0, 0, "1186"},
        {"forward loop", 0, 1, 4, 100, 600, 0, 0, "1210 0:100-599"},
        {"ping-pong, 16-bit stereo", 12, 2, 4, 400, 2400, 0, 0, "1210 1:100-599"},
        {"sustain first", 4, 1, 2, 200, 800, 100, 300, "1234 1:50-149 0:100-399"},
        {"sustain of kind 0 still written", 0, 1, 0, 10, 20, 0, 0, "1234 0:0-0 0:10-19"},
        {"start equal to end is left as it is", 0, 1, 4, 50, 50, 0, 0, "1210 0:50-50"},
    };
    for (auto &c : cases) {
        CatalogEntry e = entry_of(c.encoding, 1000, 22050);
        e.loopType = c.loopType;
        e.sustainType = c.sustainType;
        e.info.loopStart = c.loopStart;
        e.info.loopEnd = c.loopEnd;
        e.info.sustainStart = c.sustainStart;
        e.info.sustainEnd = c.sustainEnd;
        EXPECT_EQ(loop_records(image_of(e)), c.records) << c.what;
    }
}

TEST(WavImage, OddLengthPadAndLowRate)
{
    CatalogEntry e = entry_of(0, 999, 0);
    e.sustainType = 4;
    Bytes w = image_of(e);
    EXPECT_EQ(w.size(), 999u + 1 + 186 + 24);
    EXPECT_EQ(w[44 + 999], 0);
    EXPECT_EQ(memcmp(w.data() + 44 + 1000, "smpl", 4), 0);
    EXPECT_EQ(u32_at(w, 44 + 1000 + 16), 22675u);
}

// libsndfile reports a loop's end one past the last frame, like our catalog.
TEST(WavImage, LoopsReadBackByAnIndependentReader)
{
    Bytes file = demo_mod_module();
    ModuleHandle h = VIRN_LoadModule(file.data(), (uint32_t)file.size());
    ASSERT_NE(h, 0u);
    const CatalogEntry *catalog = ScGetCatalog(h);
    int looped = 0;
    for (unsigned i = 0; i < VIRN_GetNumberOfSamples(h, 0); i++) {
        const CatalogEntry &e = catalog[i];
        if (!e.info.byteLength)
            continue;
        Bytes w(e.info.byteLength + WAV_IMAGE_OVERHEAD);
        w.resize(build_wav_image(&e, i, w.data(), h));
        char path[] = "/tmp/virn-wav-XXXXXX";
        int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        FILE *f = fdopen(fd, "wb");
        fwrite(w.data(), 1, w.size(), f);
        fclose(f);

        SF_INFO info = {};
        SNDFILE *sf = sf_open(path, SFM_READ, &info);
        ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.samplerate, (int)e.rate);
        EXPECT_EQ(info.channels, e.channels);
        EXPECT_EQ(info.frames, (sf_count_t)(e.info.byteLength / e.channels / (e.bits / 8)));
        SF_INSTRUMENT inst = {};
        ASSERT_EQ(sf_command(sf, SFC_GET_INSTRUMENT, &inst, sizeof inst), SF_TRUE);
        if (e.loopType) {
            ASSERT_EQ(inst.loop_count, 1);
            EXPECT_EQ(inst.loops[0].mode, SF_LOOP_FORWARD);
            EXPECT_EQ(inst.loops[0].start, e.info.loopStart);
            EXPECT_EQ(inst.loops[0].end, e.info.loopEnd);
            looped++;
        }
        sf_close(sf);
        remove(path);
    }
    EXPECT_EQ(looped, 2);
    VIRN_FreeModule(h);
}

TEST(FileNames, UnsafeNamesStayInTheFolder)
{
    struct {
        const char *name;
        int row;
        const char *expected;
    } cases[] = {
        {"kick", 1, "out/kick(001).wav"},
        {"", 3, "out/(003).wav"},
        {"../../etc/passwd", 12, "out/.._.._etc_passwd(012).wav"},
        {"..", 4, "out/__(004).wav"},
        {".", 5, "out/_(005).wav"},
        {"a\\b:c*d?e\"f<g>h|i", 6, "out/a_b_c_d_e_f_g_h_i(006).wav"},
        {"tab\there\x01\x7f", 7, "out/tab_here__(007).wav"},
        {"caf\xe9 ok", 100, "out/caf\xe9 ok(100).wav"},
        {"x", 1000, "out/x(1000).wav"},
    };
    for (auto &c : cases) {
        char out[260];
        ASSERT_TRUE(batch_file_name(out, sizeof out, "out", c.name, c.row, "wav"));
        std::string expected = c.expected;
        for (char &ch : expected)
            if (ch == '/')
                ch = PATH_SEPARATOR;
        EXPECT_EQ(std::string(out), expected) << c.name;
    }
}

TEST(FileNames, LongFoldersShortenTheNameOrFail)
{
    std::string folder(240, 'f');
    char out[260];
    ASSERT_TRUE(batch_file_name(out, sizeof out, folder.c_str(),
                                "a sample name of 34 characters....", 1, "wav"));
    EXPECT_EQ(strlen(out), 259u);
    EXPECT_EQ(std::string(out).substr(strlen(out) - 9), "(001).wav");
    std::string tooLong(255, 'f');
    EXPECT_FALSE(batch_file_name(out, sizeof out, tooLong.c_str(), "a", 1, "wav"));
    EXPECT_STREQ(out, "");
}
