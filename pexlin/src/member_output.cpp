// Where a member's bytes go. Module members (extensions in the list) each get a fresh
// module output buffer; other members are appended behind whatever it holds; text members
// ("txt", "nfo", "diz") go to a text buffer that never leaves the library. Whatever the
// buffer, the member's record later gets exactly the member's own bytes: open_output notes
// where they begin.
#include <stdlib.h>
#include <string.h>

#include "names.h"
#include "pages.h"
#include "unzip_state.h"

static void release_output(UnzipState *s)
{
    pages_free(s->output);
    s->output = nullptr;
    s->output_capacity = 0;
    s->output_length = 0;
}

static void release_text(UnzipState *s)
{
    free(s->text);
    s->text = nullptr;
    s->text_capacity = 0;
    s->text_length = 0;
}

void close_buffers(UnzipState *s)
{
    release_output(s);
    release_text(s);
}

int open_output(UnzipState *s)
{
    const char *ext = name_extension(s->name);
    if (is_text_extension(ext)) {
        // Only the first "diz" of a call is decoded: such files describe the archive, and
        // one is enough. Other text members replace the previous text.
        if (same_text_nocase(ext, "diz") && s->text)
            return 2;
        s->text_mode = 1;
        release_text(s);
        s->text = (uint8_t *)malloc(4096);
        if (!s->text)
            return 1;
        s->text[0] = 0;
        s->text_capacity = 4096;
        s->member_start = 0;
        return 0;
    }
    s->text_mode = 0;
    if (extension_in_list(ext, s->extension_list))
        release_output(s);
    if (!s->output) {
        uint64_t capacity = 2 * (uint64_t)s->archive_size + 1024;
        if (capacity > 0xFFFFFFFFu)
            return 1;
        // A member declared larger than that gets a block of its size straight away: the
        // growth below would replace the smaller block at once, which would have been
        // zero-filled and released without holding a byte. Short of memory, the smaller
        // block is tried.
        if (s->uncompressed_size > capacity) {
            s->output = (uint8_t *)pages_alloc(s->uncompressed_size);
            if (s->output)
                capacity = s->uncompressed_size;
        }
        if (!s->output)
            s->output = (uint8_t *)pages_alloc((size_t)capacity);
        if (!s->output)
            return 1;
        s->output_capacity = (uint32_t)capacity;
        s->output_length = 0;
    }
    s->member_start = s->output_length;
    // The declared size is known (and was checked against what the method can produce):
    // make room for it once instead of growing window by window.
    uint64_t need = (uint64_t)s->output_length + s->uncompressed_size;
    if (need > s->output_capacity && need <= 0xFFFFFFFFu) {
        uint8_t *o = (uint8_t *)pages_alloc((size_t)need);
        if (o) {
            memcpy(o, s->output, s->output_length);
            pages_free(s->output);
            s->output = o;
            s->output_capacity = (uint32_t)need;
        }
    }
    return 0;
}
