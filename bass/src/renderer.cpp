#include "renderer.h"

#include <stdio.h>
#include <string.h>

#include <xmp.h>

namespace
{

// The renderer's callback loader over our memory. (Its own memory loader is not used: it
// reports the end of data one read early, which loses the tail of a compressed IT sample
// that ends exactly at the end of the module.) Reads behave like fread: whole members,
// the position moved by what was copied.
struct MemoryFile {
    const uint8_t *data;
    long size;
    long at;
};

unsigned long memory_read(void *dest, unsigned long len, unsigned long nmemb, void *priv)
{
    MemoryFile *f = (MemoryFile *)priv;
    if (len == 0 || nmemb == 0 || f->at >= f->size)
        return 0;
    unsigned long left = (unsigned long)(f->size - f->at);
    unsigned long want = nmemb <= left / len ? len * nmemb : left;
    memcpy(dest, f->data + f->at, want);
    f->at += (long)want;
    return want / len;
}

int memory_seek(void *priv, long offset, int whence)
{
    MemoryFile *f = (MemoryFile *)priv;
    long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->at : f->size;
    if (offset < -base)
        return -1;
    f->at = base + offset;
    return 0;
}

long memory_tell(void *priv)
{
    return ((MemoryFile *)priv)->at;
}

int memory_close(void *)
{
    return 0;
}

bool rate_supported(uint32_t rate)
{
    return rate >= XMP_MIN_SRATE && rate <= XMP_MAX_SRATE;
}

// Loads into a fresh context; null when no loader takes the data.
xmp_context load(const uint8_t *data, size_t size, bool skipSamples)
{
    if (size > 0x7FFFFFFF)
        return nullptr;
    xmp_context ctx = xmp_create_context();
    if (!ctx)
        return nullptr;
    if (skipSamples)
        xmp_set_player(ctx, XMP_PLAYER_SMPCTL, XMP_SMPCTL_SKIP);
    MemoryFile file = {data, (long)size, 0};
    xmp_callbacks callbacks = {memory_read, memory_seek, memory_tell, memory_close};
    if (xmp_load_module_from_callbacks(ctx, &file, callbacks) != 0) {
        xmp_free_context(ctx);
        return nullptr;
    }
    if (skipSamples) {
        // Without sample data a looped sample has nothing for the "invert loop" effect
        // (MOD EFx) to flip, and the renderer would write through a null pointer. The
        // loop flags only shape the sound that is not there, never the song's timing.
        xmp_module_info info;
        xmp_get_module_info(ctx, &info);
        for (int i = 0; i < info.mod->smp; i++)
            if (!info.mod->xxs[i].data)
                info.mod->xxs[i].flg &= ~(XMP_SAMPLE_LOOP | XMP_SAMPLE_SLOOP);
    }
    return ctx;
}

int output_format(const RenderSettings &s)
{
    // 8-bit PCM is unsigned wherever it meets a device or a file.
    return (s.eightBit ? XMP_FORMAT_8BIT | XMP_FORMAT_UNSIGNED : 0) |
           (s.mono ? XMP_FORMAT_MONO : 0);
}

// Starts the player at the song's beginning with the settings; the same steps whenever
// a song starts (also over again), so the sound is the same every time.
bool start(xmp_context ctx, RandState *rand, ModuleKind kind, const RenderSettings &s)
{
    rand_seed(rand, 1);
    rand_select(rand);
    if (xmp_start_player(ctx, (int)s.rate, output_format(s)) != 0)
        return false;
    // The player modes are MOD personalities; on another format they would break it.
    if (s.player && (kind == KindMod || kind == KindSt))
        xmp_set_player(ctx, XMP_PLAYER_MODE, s.player);
    // Starting resets the interpolation to linear.
    xmp_set_player(ctx, XMP_PLAYER_INTERP, s.nearest ? XMP_INTERP_NEAREST : XMP_INTERP_LINEAR);
    return true;
}

// The next tick of sound; false at the song's end (its first loop back).
bool next_tick(xmp_context ctx, const uint8_t **sound, uint32_t *bytes)
{
    if (xmp_play_frame(ctx) != 0)
        return false;
    xmp_frame_info fi;
    xmp_get_frame_info(ctx, &fi);
    if (fi.loop_count > 0)
        return false;
    *sound = (const uint8_t *)fi.buffer;
    *bytes = fi.buffer_size > 0 ? (uint32_t)fi.buffer_size : 0;
    return true;
}

uint64_t length_limit(const RenderSettings &s, uint32_t frameBytes)
{
    return (uint64_t)MAX_SONG_SECONDS * s.rate * frameBytes;
}

uint32_t frame_bytes(const RenderSettings &s)
{
    return (s.eightBit ? 1 : 2) * (s.mono ? 1 : 2);
}

} // namespace

uint64_t song_length(const uint8_t *data, size_t size, ModuleKind kind,
                     const RenderSettings &settings)
{
    if (!rate_supported(settings.rate))
        return 0;
    xmp_context ctx = load(data, size, true);
    if (!ctx)
        return 0;
    // The sequencer draws random numbers too; they must not come from any song's state.
    RandState scratch;
    uint64_t total = 0;
    if (start(ctx, &scratch, kind, settings)) {
        uint64_t limit = length_limit(settings, frame_bytes(settings));
        const uint8_t *sound;
        uint32_t bytes;
        while (total < limit && next_tick(ctx, &sound, &bytes))
            total += bytes;
        if (total > limit)
            total = limit;
        xmp_end_player(ctx);
    }
    rand_select(nullptr);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    return total;
}

bool renderer_open(Renderer *r, const uint8_t *data, size_t size, ModuleKind kind,
                   const RenderSettings &settings)
{
    memset(r, 0, sizeof *r);
    if (!rate_supported(settings.rate))
        return false;
    r->settings = settings;
    r->kind = kind;
    r->frameBytes = frame_bytes(settings);
    rand_seed(&r->rand, 1);
    rand_select(&r->rand); // a loader may draw numbers too
    xmp_context ctx = load(data, size, settings.skipSamples);
    if (!ctx)
        return false;
    r->length = song_length(data, size, kind, settings);
    if (!start(ctx, &r->rand, kind, settings)) {
        xmp_release_module(ctx);
        xmp_free_context(ctx);
        return false;
    }
    r->ctx = ctx;
    xmp_module_info info;
    xmp_get_module_info(ctx, &info);
    snprintf(r->name, sizeof r->name, "%s", info.mod->name);
    r->orders = info.mod->len > 0 ? (uint32_t)info.mod->len : 0;
    return true;
}

void renderer_close(Renderer *r)
{
    if (!r->ctx)
        return;
    xmp_context ctx = (xmp_context)r->ctx;
    xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    r->ctx = nullptr;
}

uint32_t renderer_read(Renderer *r, uint8_t *out, uint32_t bytes)
{
    uint32_t filled = 0;
    rand_select(&r->rand);
    while (filled < bytes && !r->ended) {
        // The length says where the song ends; the sequencer agrees with it (the length
        // is its own run), and the limit cuts a song whose end is never found.
        if (r->position >= r->length) {
            r->ended = true;
            break;
        }
        if (r->tickLeft == 0 && !next_tick((xmp_context)r->ctx, &r->tick, &r->tickLeft)) {
            r->ended = true;
            break;
        }
        uint64_t n = bytes - filled;
        if (n > r->tickLeft)
            n = r->tickLeft;
        if (n > r->length - r->position)
            n = r->length - r->position;
        if (out)
            memcpy(out + filled, r->tick, (size_t)n);
        r->tick += n;
        r->tickLeft -= (uint32_t)n;
        r->position += n;
        filled += (uint32_t)n;
    }
    return filled;
}

void renderer_seek(Renderer *r, uint64_t target)
{
    target -= target % r->frameBytes;
    if (target < r->position) {
        xmp_context ctx = (xmp_context)r->ctx;
        xmp_end_player(ctx);
        if (!start(ctx, &r->rand, r->kind, r->settings)) {
            r->ended = true;
            return;
        }
        r->position = 0;
        r->tickLeft = 0;
        r->ended = false;
    }
    // Render forward and drop the sound: nothing is written with a null buffer.
    while (r->position < target && !r->ended) {
        uint64_t step = target - r->position;
        if (renderer_read(r, nullptr, step > 0x40000000 ? 0x40000000 : (uint32_t)step) == 0)
            break;
    }
}
