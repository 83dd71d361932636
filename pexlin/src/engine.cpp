// The unzip engine: reading the archive image through a 512-byte buffer, the bit reader
// the method decoders share, the output window and the member's output.
#include "unzip_state.h"

#include <stdlib.h>
#include <string.h>

#include "pages.h"

UnzipState *state_create(const uint8_t *archive, uint32_t size)
{
    UnzipState *s = (UnzipState *)pages_alloc(sizeof(UnzipState));
    if (!s)
        return nullptr;
    s->archive = archive;
    s->archive_size = size;
    s->search_length = size;
    s->input_pointer = s->input_buffer;
    s->block_length = -1;
    s->window_pointer = s->output_window;
    s->first_pending = 1;
    return s;
}

void state_destroy(UnzipState *s)
{
    if (!s)
        return;
    close_buffers(s);
    free(s->extra);
    pages_free(s);
}

uint32_t read_block(UnzipState *s, uint8_t *destination, uint32_t count)
{
    if (!destination || count == 0 || s->read_position >= s->archive_size)
        return 0;
    uint32_t left = s->archive_size - s->read_position;
    if (count > left)
        count = left;
    memcpy(destination, s->archive + s->read_position, count);
    s->read_position += count;
    return count;
}

bool next_input_block(UnzipState *s)
{
    int64_t at = s->read_position;
    uint32_t got = read_block(s, s->input_buffer, INPUT_BLOCK);
    if (got == 0)
        return false;
    s->buffer_start = at;
    s->block_length = (int32_t)got;
    s->input_pointer = s->input_buffer;
    s->input_count = (int32_t)got;
    return true;
}

uint32_t read_bytes(UnzipState *s, uint8_t *destination, uint32_t count)
{
    uint32_t done = 0;
    while (done < count) {
        if (s->input_count <= 0 && !next_input_block(s))
            break;
        uint32_t n = count - done;
        if (n > (uint32_t)s->input_count)
            n = (uint32_t)s->input_count;
        memcpy(destination + done, s->input_pointer, n);
        s->input_pointer += n;
        s->input_count -= (int32_t)n;
        done += n;
    }
    return done;
}

int64_t archive_position(const UnzipState *s)
{
    return s->buffer_start + (s->input_pointer - s->input_buffer);
}

bool seek_archive(UnzipState *s, int64_t offset)
{
    int64_t p = offset + s->leading;
    // Seeking to the very end is allowed (an empty field may end there); beyond it is not.
    if (p < 0 || p > (int64_t)s->archive_size)
        return false;
    int64_t r = p % INPUT_BLOCK;
    if (s->block_length < 0 || p - r != s->buffer_start || r > s->block_length) {
        s->read_position = (uint32_t)(p - r);
        s->block_length = (int32_t)read_block(s, s->input_buffer, INPUT_BLOCK);
        s->buffer_start = p - r;
        if (r > s->block_length)
            return false;
    }
    s->input_pointer = s->input_buffer + r;
    s->input_count = s->block_length - (int32_t)r;
    return true;
}

int skip_field(UnzipState *s, uint32_t count)
{
    if (count == 0)
        return StatusOk;
    return seek_archive(s, archive_position(s) - s->leading + count) ? StatusOk
                                                                     : StatusEndOfArchive;
}

int read_name(UnzipState *s, uint32_t length)
{
    if (length == 0)
        return StatusOk;
    int status = StatusOk;
    uint32_t want = length;
    if (want >= NAME_BUFFER) {
        want = NAME_BUFFER - 1;
        status = StatusWarning;
    }
    uint32_t got = read_bytes(s, (uint8_t *)s->name, want);
    s->name[got] = 0;
    if (got < want)
        return StatusEndOfArchive;
    if (length > want && skip_field(s, length - want) != StatusOk)
        return StatusEndOfArchive;
    return status;
}

int read_extra(UnzipState *s, uint32_t length)
{
    if (length == 0)
        return StatusOk;
    free(s->extra);
    s->extra_length = 0;
    s->extra = (uint8_t *)malloc(length); // at most 65,535 bytes: the field is 16 bits wide
    if (!s->extra)
        return skip_field(s, length);
    if (read_bytes(s, s->extra, length) != length)
        return StatusEndOfArchive;
    s->extra_length = length;
    return StatusOk;
}

void fill_bits(UnzipState *s)
{
    s->input_exhausted = 1;
    uint8_t b;
    while (s->bit_count < 25 && read_byte(s, &b)) {
        s->bit_buffer |= (uint32_t)b << s->bit_count;
        s->bit_count += 8;
        s->input_exhausted = 0;
    }
}

uint32_t append_output(UnzipState *s, const uint8_t *bytes, uint32_t count)
{
    if (count == 0)
        return 0;
    if (s->text_mode) {
        uint64_t need = (uint64_t)s->text_length + count + 1;
        if (s->text_capacity < need) {
            uint64_t grown = (uint64_t)s->text_capacity + count + 4096;
            if (grown > 0xFFFFFFFFu)
                return 0;
            uint8_t *t = (uint8_t *)malloc((size_t)grown);
            if (!t)
                return 0;
            if (s->text)
                memcpy(t, s->text, s->text_length + 1);
            free(s->text);
            s->text = t;
            s->text_capacity = (uint32_t)grown;
        }
        memcpy(s->text + s->text_length, bytes, count);
        s->text_length += count;
        s->text[s->text_length] = 0;
        return count;
    }
    if (!s->output)
        return 0;
    if ((uint64_t)s->output_length + count > s->output_capacity) {
        // Grows by half its size at least: growing by the request alone would copy the
        // whole buffer again every few windows, quadratic in the member's size.
        uint64_t grown = (uint64_t)s->output_capacity + count + 16384;
        uint64_t half = (uint64_t)s->output_capacity + s->output_capacity / 2;
        if (grown < half)
            grown = half;
        if (grown > 0xFFFFFFFFu)
            grown = (uint64_t)s->output_length + count;
        if (grown > 0xFFFFFFFFu)
            return 0;
        uint8_t *o = (uint8_t *)pages_alloc((size_t)grown);
        if (!o)
            return 0;
        memcpy(o, s->output, s->output_length);
        pages_free(s->output);
        s->output = o;
        s->output_capacity = (uint32_t)grown;
    }
    memcpy(s->output + s->output_length, bytes, count);
    s->output_length += count;
    return count;
}

int emit_output(UnzipState *s, const uint8_t *bytes, uint32_t count)
{
    // Output past the declared size is never produced: a forged or damaged stream cannot
    // make the output grow beyond what the member's record will hold.
    uint32_t room = s->uncompressed_size - s->emitted_count;
    if (count > room)
        count = room;
    if (count == 0)
        return StatusOk;
    crc32_update(s, bytes, count);
    if (append_output(s, bytes, count) != count) {
        // put_byte cannot report this, so it is kept until the member's end.
        s->output_failed = 1;
        return StatusOutputFailed;
    }
    s->emitted_count += count;
    return StatusOk;
}

int flush_window(UnzipState *s)
{
    if (s->window_count == 0)
        return StatusOk;
    int status = emit_output(s, s->output_window, s->window_count);
    s->flushed_count += s->window_count;
    s->window_count = 0;
    s->window_pointer = s->output_window;
    return status;
}
