// The WAV image, read back through libsndfile, an independent reader, to prove other
// programs see our format, rate, length and loops where the catalog has them.
#include "file_names.h"
#include "fixtures.h"
#include "mod_writer.h"
#include "virn.h"
#include "wav_image.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <stdio.h>

// What libsndfile reads in an image: "rate channels frames" and each loop as
// mode:start-end (F forward, A alternating; the end one past the last frame).
static std::string read_back(const Bytes &w)
{
    char path[] = "/tmp/virn-wav-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return "no temporary file";
    FILE *f = fdopen(fd, "wb");
    fwrite(w.data(), 1, w.size(), f);
    fclose(f);
    SF_INFO info = {};
    SNDFILE *sf = sf_open(path, SFM_READ, &info);
    std::string text = sf ? "" : sf_strerror(nullptr);
    SF_INSTRUMENT inst = {};
    if (sf && sf_command(sf, SFC_GET_INSTRUMENT, &inst, sizeof inst) == SF_TRUE) {
        text = std::to_string(info.samplerate) + " " + std::to_string(info.channels) + " " +
               std::to_string(info.frames);
        for (int i = 0; i < inst.loop_count; i++)
            text += std::string(" ") + (inst.loops[i].mode == SF_LOOP_ALTERNATING ? "A" : "F") +
                    ":" + std::to_string(inst.loops[i].start) + "-" +
                    std::to_string(inst.loops[i].end);
    }
    if (sf)
        sf_close(sf);
    remove(path);
    return text;
}

TEST(WavImage, LoopRecordsReadBack)
{
    // 1000 bytes of PCM at 22050 Hz unless said otherwise; the sustain loop comes first.
    struct {
        const char *what;
        uint8_t encoding, loopType, sustainType;
        uint32_t loopStart, loopEnd, sustainStart, sustainEnd;
        const char *read;
        uint32_t bytes = 1000, rate = 22050;
    } cases[] = {
        {"no loops in a format without sustain", 0, 0, 4, 0, 0, 0, 0, "22050 1 1000 F:0-1"},
        {"no loops in a format with sustain", 0, 0, 0, 0, 0, 0, 0, "22050 1 1000"},
        {"forward loop", 0, 1, 4, 100, 600, 0, 0, "22050 1 1000 F:100-600"},
        {"ping-pong, 16-bit stereo", 12, 2, 4, 400, 2400, 0, 0, "22050 2 250 A:100-600"},
        {"sustain first", 4, 1, 2, 200, 800, 100, 300, "22050 1 500 A:50-150 F:100-400"},
        {"sustain of kind 0 still written", 0, 1, 0, 10, 20, 0, 0, "22050 1 1000 F:0-1 F:10-20"},
        {"start equal to end is left as it is", 0, 1, 4, 50, 50, 0, 0, "22050 1 1000 F:50-51"},
        // The data chunk is padded to an even size, so the loop chunk after it is found.
        {"odd length", 0, 1, 4, 10, 20, 0, 0, "8000 1 999 F:10-20", 999, 8000},
    };
    for (auto &c : cases) {
        CatalogEntry e = {};
        e.encoding = c.encoding;
        e.channels = (c.encoding & 8) ? 2 : 1;
        e.bits = (c.encoding & 4) ? 16 : 8;
        e.info.byteLength = c.bytes;
        e.rate = c.rate;
        e.loopType = c.loopType;
        e.sustainType = c.sustainType;
        e.info.loopStart = c.loopStart;
        e.info.loopEnd = c.loopEnd;
        e.info.sustainStart = c.sustainStart;
        e.info.sustainEnd = c.sustainEnd;
        Bytes pcm(c.bytes, 0x80), image(c.bytes + WAV_IMAGE_OVERHEAD);
        image.resize(wav_image_from_pcm(&e, pcm.data(), image.data()));
        EXPECT_EQ(image.size(), wav_image_size(&e)) << c.what;
        EXPECT_EQ(read_back(image), c.read) << c.what;
    }
    // Through the library: the demo's lead, its PCM from VIRN_GetSample.
    Bytes file = demo_mod_module();
    ModuleHandle h = VIRN_LoadModule(file.data(), (uint32_t)file.size());
    ASSERT_NE(h, 0u);
    Bytes w(4000 + WAV_IMAGE_OVERHEAD);
    w.resize(build_wav_image(ScGetCatalog(h), 0, w.data(), h));
    EXPECT_EQ(read_back(w), "8287 1 4000 F:2000-4000");
    VIRN_FreeModule(h);
}

TEST(FileNames, UnsafeNamesStayInTheFolderAndLongFoldersShortenThemOrFail)
{
    std::string longFolder(240, 'f');
    struct {
        const char *name;
        int row;
        std::string expected; // "": no room for the name at all
        std::string folder = "out";
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
        // The whole path must fit 259 characters: the name gives way, the suffix never.
        {"sample-name-of-34-characters......", 1, longFolder + "/sample-na(001).wav", longFolder},
        {"a", 1, "", std::string(255, 'f')},
    };
    for (auto &c : cases) {
        char out[260] = "unset"; // a refusal must clear it
        std::string expected = c.expected;
        for (char &ch : expected)
            if (ch == '/')
                ch = PATH_SEPARATOR;
        EXPECT_EQ(batch_file_name(out, sizeof out, c.folder.c_str(), c.name, c.row, "wav"),
                  !expected.empty());
        EXPECT_EQ(std::string(out), expected) << c.name;
    }
}
