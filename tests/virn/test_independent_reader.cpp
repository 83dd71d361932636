// Every module fixture read by an independent reader, the distribution's libxmp: its
// sample lengths, loops and PCM must match our catalog and extraction, so that a header
// offset misread the same way by our writer and our loader cannot hide. Where libxmp
// reads a file differently by design, the difference is listed with its reason; a
// difference not listed, or a listed one that no longer shows, fails the test.
#include "loaded_module.h"
#include "minor_writers.h"

#include <gtest/gtest.h>
#include <string.h>
#include <xmp.h>

// Each listed difference: what libxmp reads otherwise, and why.
static const char *const Expected[][2] = {
    {"mod_loops_finetunes refused", "junk in a finetune's high nibble: we use the low one"},
    {"mod_tag_OKTA refused", "libxmp does not know the OKTA tag"},
    {"mod_two_byte_slot #0 length 0/2", "a length word of 1 is an empty slot to us"},
    {"mod_truncated_sample #1 length 1000/700",
     "a cut MOD sample keeps its length, the rest silent"},
    {"mod_order_255 refused", "an order entry of 255: we let the pattern count wrap to 0"},
    {"s3m_every_kind refused", "libxmp skips no pad byte after an odd order list led by 255"},
    {"xm_every_kind #2 length 300/600", "libxmp reads both blocks of a two-channel XM sample "
                                        "as one mono sample"},
    {"xm_every_kind #2 loop 1:50-150/1:100-300", "the same two-channel sample"},
    {"xm_every_kind #3 length 200/400", "the same, 16-bit"},
    {"xm_odd_header_sizes refused", "libxmp refuses a module header over 276 bytes and a "
                                    "pattern that packs fewer cells than its rows"},
    {"it_plain_kinds #6 pcm from 2", "libxmp ignores cvt bit 2 (deltas) on plain IT data"},
    {"it_compressed #3 pcm from 799", "libxmp reads ahead in a 16-bit compressed block and "
                                      "loses its last value when no bytes follow it"},
    {"stm_alignment count 30/31", "we list 30 of the 31 STM instrument headers"},
    {"stm_alignment #2 length 0/3000", "a silenced STM slot (volume 0) holds no sample"},
    {"stm_bmod2stm count 30/31", "30 of 31 headers"},
    {"stm_real_layout count 30/31", "30 of 31 headers"},
    {"stm_real_layout #0 length 0/4095", "a silenced slot"},
    {"mtm_areas_widths #1 length 200/400", "libxmp reads 16-bit MTM data as 8-bit values"},
    {"mtm_areas_widths #1 loop 1:20-180/1:40-360", "the same"},
    {"mtm_areas_widths #1 pcm from 0", "the same"},
    {"mtm_areas_widths #2 length 0/3", "an MTM sample of 4 bytes or less is an empty slot"},
    {"ult_v4_widths #1 loop 2:5-120/1:10-240", "16-bit ULT loops count bytes in real files; "
                                               "libxmp takes them as forward frames"},
    {"psm_chunks refused", "libxmp needs song and pattern chunks, which we do not read"},
    {"dbm_inst_first #2 length 16/256", "a record of kind 4, which we list undecoded"},
    {"dbm_inst_first #2 no pcm", "the same record"},
    {"dbm_smpl_first #1 pcm from 1", "with INST after SMPL libxmp reads 16-bit data as 8-bit"},
    {"dbm_smpl_first #2 length 16/256", "the record of kind 4"},
    {"dbm_smpl_first #2 no pcm", "the record of kind 4"},
};

// What libxmp is given: the fixture, except where our writer leaves out what libxmp
// needs and our loader does not read. Nothing that moves a sample's data is changed.
static Bytes for_libxmp(const Fixture &f, uint32_t type)
{
    Bytes b = f.bytes;
    if (f.name.compare(0, 4, "umx_") == 0)
        return umx_inner_module(type); // libxmp opens no packages: the module inside
    if (type == VIRN_TYPE_PTM) {
        // No patterns: pattern 0 becomes 64 empty rows after the data.
        pad_to(b, 16);
        poke_le16(b, 352, (uint32_t)(b.size() / 16));
        b.insert(b.end(), 64, 0);
    }
    for (size_t i = 0; type == VIRN_TYPE_DBM && i + 72 <= b.size(); i++) {
        // The placeholder pattern and envelope chunks (64 bytes each) get bodies libxmp
        // takes: no envelopes, one pattern of 64 rows in 58 bytes of row ends.
        if (memcmp(&b[i], "PATT", 4) && memcmp(&b[i], "VENV", 4))
            continue;
        std::fill(b.begin() + (long)i + 8, b.begin() + (long)i + 72, 0);
        if (b[i] == 'P')
            b[i + 9] = 64, b[i + 13] = 58;
    }
    return b;
}

static std::vector<std::string> differences(const Fixture &f, xmp_context c)
{
    std::vector<std::string> out;
    LoadedFile ours(f.bytes);
    Bytes theirs = for_libxmp(f, ours.type());
    if (xmp_load_module_from_memory(c, theirs.data(), (long)theirs.size()) != 0)
        return {f.name + " refused"};
    xmp_module_info info;
    xmp_get_module_info(c, &info);
    auto say = [&](int i, const std::string &s) {
        out.push_back(f.name + (i < 0 ? "" : " #" + std::to_string(i)) + " " + s);
    };
    int n = (int)ours.count(), m = info.mod->smp;
    if (n != m)
        say(-1, "count " + std::to_string(n) + "/" + std::to_string(m));
    for (int i = 0; i < n && i < m; i++) {
        const CatalogEntry e = ours.entry(i);
        const xmp_sample &s = info.mod->xxs[i];
        int frameBytes = e.channels * e.bits / 8, frames = (int)e.info.byteLength / frameBytes;
        if (frames != s.len)
            say(i, "length " + std::to_string(frames) + "/" + std::to_string(s.len));
        auto kind = [](unsigned t) { return t == 1 || t == 2 ? t : 0; };
        auto loop_text = [](unsigned k, int start, int end) {
            return k ? std::to_string(k) + ":" + std::to_string(start) + "-" + std::to_string(end)
                     : "0";
        };
        unsigned loop = s.flg & XMP_SAMPLE_LOOP ? (s.flg & XMP_SAMPLE_LOOP_BIDIR ? 2 : 1) : 0;
        unsigned sustain = s.flg & XMP_SAMPLE_SLOOP ? (s.flg & XMP_SAMPLE_SLOOP_BIDIR ? 2 : 1) : 0;
        std::string a = loop_text(kind(e.loopType), (int)e.info.loopStart / frameBytes,
                                  (int)e.info.loopEnd / frameBytes);
        if (a != loop_text(loop, s.lps, s.lpe))
            say(i, "loop " + a + "/" + loop_text(loop, s.lps, s.lpe));
        if (kind(e.sustainType) != sustain)
            say(i,
                "sustain " + std::to_string(kind(e.sustainType)) + "/" + std::to_string(sustain));
        // libxmp prepares a looped sample for playing: past the loop end the values are its own.
        Bytes pcm = ours.pcm(i);
        int same = std::min(frames, loop ? std::min(s.lpe, s.len) : s.len);
        if (same > 0 && !s.data)
            say(i, "no pcm");
        for (int k = 0; k < same && s.data; k++) {
            // Ours: 8-bit unsigned or 16-bit little-endian, the left channel; libxmp's:
            // signed 8-bit or 16-bit.
            const uint8_t *p = &pcm[(size_t)k * frameBytes];
            int v = s.flg & XMP_SAMPLE_16BIT ? ((const int16_t *)s.data)[k] : (int8_t)s.data[k];
            if ((e.bits == 8 ? (int8_t)(p[0] ^ 0x80) : (int16_t)(p[0] | p[1] << 8)) != v) {
                say(i, "pcm from " + std::to_string(k));
                break;
            }
        }
    }
    xmp_release_module(c);
    return out;
}

TEST(IndependentReader, LibxmpReadsEveryFixtureAsWeDoButForTheListedCases)
{
    xmp_context c = xmp_create_context();
    std::string found, expected;
    for (const Fixture &f : all_module_fixtures())
        for (const std::string &d : differences(f, c))
            found += d + "\n";
    for (auto &e : Expected)
        expected += std::string(e[0]) + "\n";
    EXPECT_EQ(found, expected);
    xmp_free_context(c);
}
