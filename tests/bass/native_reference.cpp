// The reference renderings: every case of reference_cases.cpp rendered by the system's
// own build of the module renderer (libxmp 4.5.0 from the distribution, glibc's rand()),
// written as raw PCM to DIR/<case>.pcm for the Windows-side comparison; and in
// DIR/fixtures.txt, which of the fixture writers' modules it loads.
//
//   bass_reference DIR
//
// The steps are the documented ones, written independently of the library: the module's
// exact bytes through the callback loader (as the library reads them: the memory loader
// decodes a compressed sample that ends the file differently), the random generator reset
// to srand(1), the player started at the case's format (8-bit unsigned), the MOD player
// mode and the interpolation set, then one tick after another until the first loop back.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#include <xmp.h>

#include "reference_cases.h"

struct Reader {
    const Bytes *data;
    long at;
};

static unsigned long read_cb(void *dest, unsigned long len, unsigned long n, void *priv)
{
    Reader *r = (Reader *)priv;
    long size = (long)r->data->size();
    if (len == 0 || r->at >= size)
        return 0;
    unsigned long want = len * n, left = (unsigned long)(size - r->at);
    if (want > left)
        want = left;
    memcpy(dest, r->data->data() + r->at, want);
    r->at += (long)want;
    return want / len;
}

static int seek_cb(void *priv, long offset, int whence)
{
    Reader *r = (Reader *)priv;
    long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? r->at : (long)r->data->size();
    if (base + offset < 0)
        return -1;
    r->at = base + offset;
    return 0;
}

static long tell_cb(void *priv)
{
    return ((Reader *)priv)->at;
}

// A context with the module loaded from its exact bytes, or none (freed) if refused.
static xmp_context load(const Bytes &module)
{
    xmp_context ctx = xmp_create_context();
    Reader reader = {&module, 0};
    xmp_callbacks cb = {read_cb, seek_cb, tell_cb, nullptr};
    if (xmp_load_module_from_callbacks(ctx, &reader, cb) == 0)
        return ctx;
    xmp_free_context(ctx);
    return nullptr;
}

static bool render(const ReferenceCase &c, Bytes *pcm)
{
    Bytes song = playable_song(c.song);
    xmp_context ctx = song.empty() ? nullptr : load(song);
    if (!ctx)
        return false;
    srand(1);
    int format =
        (c.eightBit ? XMP_FORMAT_8BIT | XMP_FORMAT_UNSIGNED : 0) | (c.mono ? XMP_FORMAT_MONO : 0);
    xmp_start_player(ctx, (int)c.rate, format);
    if (c.player)
        xmp_set_player(ctx, XMP_PLAYER_MODE, c.player); // only MOD cases name one
    xmp_set_player(ctx, XMP_PLAYER_INTERP, c.nearest ? XMP_INTERP_NEAREST : XMP_INTERP_LINEAR);
    xmp_frame_info fi;
    while (xmp_play_frame(ctx) == 0) {
        xmp_get_frame_info(ctx, &fi);
        if (fi.loop_count > 0)
            break;
        const uint8_t *b = (const uint8_t *)fi.buffer;
        pcm->insert(pcm->end(), b, b + fi.buffer_size);
    }
    xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: bass_reference DIR\n");
        return 2;
    }
    int status = 0;
    for (size_t i = 0; i < reference_case_count; i++) {
        const ReferenceCase &c = reference_cases[i];
        Bytes pcm;
        std::string path = std::string(argv[1]) + "/" + c.name + ".pcm";
        if (!render(c, &pcm) || !write_file(path, pcm)) {
            fprintf(stderr, "bass_reference: %s: not rendered\n", c.name);
            status = 1;
            continue;
        }
        printf("%s: %zu bytes\n", c.name, pcm.size());
    }
    // Which fixtures the renderer takes, given their exact bytes: the library must take
    // the same ones when it has to find their size itself.
    std::string verdicts;
    for (const Fixture &f : all_module_fixtures()) {
        xmp_context ctx = load(f.bytes);
        if (ctx) {
            xmp_release_module(ctx);
            xmp_free_context(ctx);
        }
        verdicts += f.name + (ctx ? " loads\n" : " refused\n");
    }
    if (!write_file(std::string(argv[1]) + "/fixtures.txt",
                    Bytes(verdicts.begin(), verdicts.end())))
        status = 1;
    return status;
}
