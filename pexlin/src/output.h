// Output: where a member's bytes go, its CRC-32, and the 8192-byte window of methods 0 to 6.
//
// Module members (extensions in the list) each get a fresh module output buffer; other
// members are appended behind whatever it holds; text members ("txt", "nfo", "diz") go to a
// text buffer that never leaves the library. Whatever the buffer, a member's record gets
// exactly the member's own bytes: the output notes where they begin.
//
// Invariants:
// - A member's output never grows beyond its declared size: emit drops what lies beyond,
//   before the CRC sees it.
// - Output byte o of the member sits at window[o mod 8192] while it is among the last 8192;
//   the window is cleared when a member begins, so bytes "before the member" read as zeros.
// - window_count < WINDOW_SIZE between calls.
#ifndef PEXLIN_OUTPUT_H
#define PEXLIN_OUTPUT_H

#include <stdint.h>

#include "status.h"

enum { WINDOW_SIZE = 8192 };

struct Output {
    // The buffers of the call.
    uint8_t *module; // module output buffer (zero-filled pages); null when none
    uint32_t module_capacity;
    uint32_t module_length;
    bool has_module; // a module output buffer exists, or went to a record
    uint8_t *text;   // text buffer, NUL-terminated; null when none
    uint32_t text_capacity;
    uint32_t text_length;
    bool text_mode;

    // The current member.
    bool opened;
    uint32_t member_start; // offset of its first byte in its buffer
    uint32_t declared;     // its uncompressed size
    uint32_t emitted;      // bytes of it handed to its buffer
    bool failed;           // its buffer could not grow: it is incomplete
    uint32_t crc;

    uint8_t window[WINDOW_SIZE];
    uint32_t window_count;
    uint32_t flushed_count;
};

// Begins a member: chooses its buffer by its (mapped) name, clears the window and the CRC.
// StatusOutputFailed when there is no memory, or for a second "diz" text member.
Status open_member_output(Output *o, const char *name, uint32_t declared, uint32_t archive_size);
void release_buffers(Output *o);

// The member's bytes so far, in its buffer.
const uint8_t *member_bytes(const Output *o, uint32_t *length);

// The module buffer itself, given up, when it holds the `size` bytes of the member just
// extracted and nothing else, and is not much larger: its record takes it instead of a
// copy. Null otherwise. The next member that needs a module buffer gets a new one.
uint8_t *give_up_module(Output *o, uint32_t size);

// Adds a decoded run to the member's CRC and buffer, cut at the declared size.
Status emit(Output *o, const uint8_t *bytes, uint32_t count);

// Room for the whole member straight in its buffer, behind what the buffer holds, or null
// when the buffer cannot be made that large. A decoder that writes there hands over what it
// wrote with commit_direct, which takes it into the CRC; the window is then not used.
uint8_t *direct_room(Output *o);
void commit_direct(Output *o, uint32_t count);

Status flush_window(Output *o);

inline void put_byte(Output *o, uint8_t b)
{
    o->window[o->window_count++] = b;
    if (o->window_count == WINDOW_SIZE)
        flush_window(o);
}

// Bytes of the member written so far through the window.
inline uint32_t output_so_far(const Output *o)
{
    return o->flushed_count + o->window_count;
}

void write_run_wrapping(Output *o, const uint8_t *bytes, uint32_t count);

inline void write_run(Output *o, const uint8_t *bytes, uint32_t count)
{
    if (o->window_count + count >= WINDOW_SIZE) {
        write_run_wrapping(o, bytes, count);
        return;
    }
    // Short runs (most strings of the old methods) cost less than a call of memcpy.
    uint8_t *to = o->window + o->window_count;
    for (uint32_t i = 0; i < count; i++)
        to[i] = bytes[i];
    o->window_count += count;
}

// Copies `length` bytes from `distance` (at most 8192) back, oldest first, each stored
// before the next is read: a copy closer than its length repeats its own output.
void copy_back_wrapping(Output *o, uint32_t distance, uint32_t length);

inline void copy_back(Output *o, uint32_t distance, uint32_t length)
{
    uint32_t from = (o->window_count - distance) & (WINDOW_SIZE - 1);
    if (from + length > WINDOW_SIZE || o->window_count + length >= WINDOW_SIZE) {
        copy_back_wrapping(o, distance, length);
        return;
    }
    // Neither wraps nor fills the window: straight inside it, byte by byte.
    uint8_t *to = o->window + o->window_count;
    for (uint32_t i = 0; i < length; i++)
        to[i] = o->window[from + i];
    o->window_count += length;
}

#endif
