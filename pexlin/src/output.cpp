// Output: choosing a member's buffer, growing it, the CRC and the window.
#include "output.h"

#include <stdlib.h>
#include <string.h>

#include "crc32.h"
#include "names.h"
#include "page_alloc.h"

static void release_module(Output *o)
{
    page_free(o->module);
    o->module = nullptr;
    o->module_capacity = 0;
    o->module_length = 0;
}

static void release_text(Output *o)
{
    free(o->text);
    o->text = nullptr;
    o->text_capacity = 0;
    o->text_length = 0;
}

void release_buffers(Output *o)
{
    release_module(o);
    release_text(o);
}

// Moves the module buffer into a new block of `capacity` bytes; false when out of memory.
static bool regrow_module(Output *o, uint64_t capacity)
{
    if (capacity > 0xFFFFFFFFu)
        return false;
    uint8_t *m = (uint8_t *)page_alloc((size_t)capacity);
    if (!m)
        return false;
    if (o->module)
        memcpy(m, o->module, o->module_length);
    page_free(o->module);
    o->module = m;
    o->module_capacity = (uint32_t)capacity;
    return true;
}

static Status open_text(Output *o, const char *ext)
{
    // Only the first "diz" of a call is decoded: such files describe the archive, and one
    // is enough. Other text members replace the previous text.
    if (same_text_nocase(ext, "diz") && o->text)
        return StatusOutputFailed;
    o->text_mode = true;
    release_text(o);
    o->text = (uint8_t *)malloc(4096);
    if (!o->text)
        return StatusOutputFailed;
    o->text[0] = 0;
    o->text_capacity = 4096;
    o->member_start = 0;
    return StatusOk;
}

static Status open_module(Output *o, const char *ext, uint32_t archive_size)
{
    o->text_mode = false;
    if (extension_in_list(ext, EXTENSION_LIST)) {
        release_module(o);
        o->has_module = false;
    }
    if (!o->module) {
        // A member declared larger than twice the archive gets a block of its size straight
        // away: the smaller one would be replaced at once. Short of memory, it is tried.
        uint64_t capacity = 2 * (uint64_t)archive_size + 1024;
        if (!(o->declared > capacity && regrow_module(o, o->declared)) &&
            !regrow_module(o, capacity))
            return StatusOutputFailed;
        o->module_length = 0;
        o->has_module = true;
    }
    o->member_start = o->module_length;
    // The declared size is known (and was checked against what the method can produce):
    // room for it once instead of growing window by window. Without it, growth will try.
    uint64_t need = (uint64_t)o->module_length + o->declared;
    if (need > o->module_capacity)
        regrow_module(o, need);
    return StatusOk;
}

Status open_member_output(Output *o, const char *name, uint32_t declared, uint32_t archive_size)
{
    o->opened = false;
    o->declared = declared;
    o->emitted = 0;
    o->failed = false;
    o->crc = 0xFFFFFFFFu;
    o->window_count = 0;
    o->flushed_count = 0;
    memset(o->window, 0, sizeof o->window);
    const char *ext = name_extension(name);
    Status status = is_text_extension(ext) ? open_text(o, ext) : open_module(o, ext, archive_size);
    o->opened = status == StatusOk;
    return status;
}

const uint8_t *member_bytes(const Output *o, uint32_t *length)
{
    const uint8_t *from = o->text_mode ? o->text : o->module;
    uint32_t filled = o->text_mode ? o->text_length : o->module_length;
    *length = 0;
    if (!o->opened || !from)
        return nullptr;
    *length = o->emitted < filled - o->member_start ? o->emitted : filled - o->member_start;
    return from + o->member_start;
}

// Makes room for `need` bytes in the text buffer (its terminator included).
static bool reserve_text(Output *o, uint64_t need, uint64_t slack)
{
    if (o->text_capacity >= need)
        return true;
    uint64_t grown = need + slack;
    uint8_t *t = grown <= 0xFFFFFFFFu ? (uint8_t *)malloc((size_t)grown) : nullptr;
    if (!t)
        return false;
    memcpy(t, o->text, o->text_length + 1);
    free(o->text);
    o->text = t;
    o->text_capacity = (uint32_t)grown;
    return true;
}

uint8_t *give_up_module(Output *o, uint32_t size)
{
    uint8_t *m = o->module;
    if (o->text_mode || !o->opened || o->member_start != 0 || o->module_length != size ||
        o->emitted != size || size == 0 || (uint64_t)size * 4 < o->module_capacity)
        return nullptr;
    o->module = nullptr;
    o->module_capacity = 0;
    o->module_length = 0;
    return m;
}

static bool append_text(Output *o, const uint8_t *bytes, uint32_t count)
{
    if (!reserve_text(o, (uint64_t)o->text_length + count + 1, 4096 - 1))
        return false;
    memcpy(o->text + o->text_length, bytes, count);
    o->text_length += count;
    o->text[o->text_length] = 0;
    return true;
}

static bool append_module(Output *o, const uint8_t *bytes, uint32_t count)
{
    if (!o->module)
        return false;
    if ((uint64_t)o->module_length + count > o->module_capacity) {
        // Grows by half its size at least: growing by the request alone would copy the
        // whole buffer again every few windows, quadratic in the member's size.
        uint64_t grown = (uint64_t)o->module_capacity + count + 16384;
        uint64_t half = (uint64_t)o->module_capacity + o->module_capacity / 2;
        if (grown < half)
            grown = half;
        if (grown > 0xFFFFFFFFu)
            grown = (uint64_t)o->module_length + count;
        if (!regrow_module(o, grown))
            return false;
    }
    memcpy(o->module + o->module_length, bytes, count);
    o->module_length += count;
    return true;
}

Status emit(Output *o, const uint8_t *bytes, uint32_t count)
{
    // Output past the declared size is never produced: a forged or damaged stream cannot
    // make the output grow beyond what the member's record will hold.
    uint32_t room = o->declared - o->emitted;
    if (count > room)
        count = room;
    if (count == 0)
        return StatusOk;
    o->crc = crc32_bytes(o->crc, bytes, count);
    if (!(o->text_mode ? append_text(o, bytes, count) : append_module(o, bytes, count))) {
        // put_byte cannot report this, so it is kept until the member's end.
        o->failed = true;
        return StatusOutputFailed;
    }
    o->emitted += count;
    return StatusOk;
}

uint8_t *direct_room(Output *o)
{
    if (o->text_mode)
        return reserve_text(o, (uint64_t)o->text_length + o->declared + 1, 0)
                   ? o->text + o->text_length
                   : nullptr;
    uint64_t need = (uint64_t)o->module_length + o->declared;
    if (!o->module || (need > o->module_capacity && !regrow_module(o, need)))
        return nullptr;
    return o->module + o->module_length;
}

void commit_direct(Output *o, uint32_t count)
{
    uint8_t *at = o->text_mode ? o->text + o->text_length : o->module + o->module_length;
    o->crc = crc32_bytes(o->crc, at, count);
    o->emitted += count;
    if (o->text_mode) {
        o->text_length += count;
        o->text[o->text_length] = 0;
    } else {
        o->module_length += count;
    }
}

Status flush_window(Output *o)
{
    if (o->window_count == 0)
        return StatusOk;
    Status status = emit(o, o->window, o->window_count);
    o->flushed_count += o->window_count;
    o->window_count = 0;
    return status;
}

void write_run_wrapping(Output *o, const uint8_t *bytes, uint32_t count)
{
    while (count > 0) {
        uint32_t n = WINDOW_SIZE - o->window_count;
        if (n > count)
            n = count;
        memcpy(o->window + o->window_count, bytes, n);
        o->window_count += n;
        bytes += n;
        count -= n;
        if (o->window_count == WINDOW_SIZE)
            flush_window(o);
    }
}

void copy_back_wrapping(Output *o, uint32_t distance, uint32_t length)
{
    uint32_t from = (o->window_count - distance) & (WINDOW_SIZE - 1);
    for (uint32_t i = 0; i < length; i++) {
        put_byte(o, o->window[from]);
        from = (from + 1) & (WINDOW_SIZE - 1);
    }
}
