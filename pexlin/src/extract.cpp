// Extraction of one member: reset the per-member state, open its output, run the decoder
// its method names, and check what came out against the header's size and CRC-32.
#include <string.h>

#include "decoders.h"
#include "unzip_state.h"

// Method 0: the compressed bytes are the member's bytes. Copies whole runs of the input
// block into the window rather than going through read_byte for every byte.
static void copy_stored(UnzipState *s)
{
    while (s->compressed_left > 0) {
        if (s->input_count <= 0 && !next_input_block(s))
            return;
        uint32_t n = (uint32_t)s->input_count;
        if ((int64_t)n > s->compressed_left)
            n = (uint32_t)s->compressed_left;
        if (n > WINDOW_SIZE - s->window_count)
            n = WINDOW_SIZE - s->window_count;
        memcpy(s->window_pointer, s->input_pointer, n);
        s->input_pointer += n;
        s->input_count -= (int32_t)n;
        s->compressed_left -= n;
        s->window_pointer += n;
        s->window_count += n;
        if (s->window_count == WINDOW_SIZE)
            flush_window(s);
        // Nothing beyond the declared size is kept, so there is no point reading on.
        if (s->flushed_count >= s->uncompressed_size && s->window_count == 0)
            return;
    }
}

int extract_member(UnzipState *s)
{
    s->bit_count = 0;
    s->bit_buffer = 0;
    s->flushed_count = 0;
    s->window_count = 0;
    s->window_pointer = s->output_window;
    s->input_exhausted = 0;
    s->crc = 0xFFFFFFFFu;
    s->emitted_count = 0;
    s->output_failed = 0;
    s->member_opened = 0;
    // The implode decoder reads distances before the member's start as zeros.
    memset(s->output_window, 0, sizeof s->output_window);

    if (open_output(s) != 0)
        return StatusOutputFailed;
    s->member_opened = 1;

    switch (s->local.method) {
    case 0:
        copy_stored(s);
        break;
    case 1:
        unshrink(s);
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        unreduce(s, s->local.method - 1);
        break;
    case 6:
        explode(s);
        break;
    case 8:
        if (inflate_member(s) != 0)
            return StatusBadFormat;
        break;
    default:
        return StatusWarning;
    }

    int status = StatusOk;
    if (flush_window(s) != StatusOk || s->output_failed)
        status = StatusWarning;
    // A stream that ended early (or a forged size) leaves the member short: its CRC-32
    // might still match the bytes present, so the length is checked as well.
    if (s->emitted_count != s->uncompressed_size)
        status = StatusWarning;
    if ((s->crc ^ 0xFFFFFFFFu) != s->local.crc32)
        status = StatusWarning;
    return status;
}
