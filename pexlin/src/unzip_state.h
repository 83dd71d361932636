// The state of one call of check_and_process_arc, and the engine operations that the
// archive walk and every method decoder share: block-wise input from the archive image,
// byte and bit readers, the 8192-byte output window, the member's output and its CRC-32.
//
// Invariants:
// - Every byte of the archive is read through read_block, which never reads outside the
//   image, whatever offsets and sizes the archive claims.
// - A member's output never grows beyond its declared uncompressed size: emit_output drops
//   what lies beyond it.
// - window_pointer == output_window + window_count, and window_count < WINDOW_SIZE between
//   calls of put_byte.
#ifndef PEXLIN_UNZIP_STATE_H
#define PEXLIN_UNZIP_STATE_H

#include <stdint.h>

#include "pexlin.h"

// A larger status is worse; raising a status keeps the larger of the two.
enum Status {
    StatusOk = 0,
    StatusWarning = 1,       // unsupported method, CRC mismatch, truncated name, skipped entries
    StatusError = 2,         // a member's name maps to nothing
    StatusBadFormat = 3,     // bad signature, bad position, invalid compressed data
    StatusOutputFailed = 50, // the member's output could not be opened or grown
    StatusEndOfArchive = 51, // the archive ended in the middle of a structure
};

enum {
    INPUT_BLOCK = 512,
    WINDOW_SIZE = 8192,     // output window of the engine (methods 0 to 6)
    NAME_BUFFER = 260,      // 259 characters and a terminator
    GROUP_SIZE = 64,        // central entries collected before their members are processed
    INFLATE_WINDOW = 32768, // deflate's largest distance
    LZW_CODES = 8193,       // shrink codes 0 to 8192
};

// Sizes of the decoding tables of the deflate decoder; inflate_tables.cpp proves them.
enum {
    LENS_TABLE_SIZE = 128,           // code-length code: root 7, codes of at most 7 bits
    LIT_TABLE_SIZE = 512 + 288 * 64, // literal/length: root 9
    DIST_TABLE_SIZE = 64 + 32 * 512, // distance: root 6, incomplete codes allowed
    FIXED_LIT_SIZE = 128 + 128 * 4,  // fixed literal/length: root 7, codes of 7 to 9 bits
    FIXED_DIST_SIZE = 32,            // fixed distance: 5-bit codes
};

// One entry of a deflate decoding table (see inflate_tables.cpp for the meaning of op).
struct HuffCode {
    uint8_t op;   // 16 literal, 15 end of block, 99 invalid, 0..13 extra bits, >16 link
    uint8_t bits; // bits of the code (or of this part of it)
    uint16_t val; // literal, base length or distance, or sub-table offset
};

enum { OP_EXTRA_MAX = 13, OP_END = 15, OP_LITERAL = 16, OP_INVALID = 99 };

struct LocalHeader {
    uint16_t version_needed;
    uint16_t general_flags;
    uint16_t method;
    uint16_t time, date;
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint16_t name_length;
    uint16_t extra_length;
};

struct CentralHeader {
    uint16_t version_made_by;
    uint16_t version_needed;
    uint16_t general_flags;
    uint16_t method;
    uint16_t time, date;
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint16_t name_length;
    uint16_t extra_length;
    uint16_t comment_length;
    uint16_t disk_start;
    uint16_t internal_attributes;
    uint32_t external_attributes;
    uint32_t local_offset;
};

struct EndRecord {
    uint16_t this_disk;
    uint16_t directory_disk;
    uint16_t entries_here;
    uint16_t total_entries;
    uint32_t directory_size;
    uint32_t directory_offset;
    uint16_t comment_length;
};

// An accepted central entry, waiting in the member table for its group to be processed.
// The central CRC and sizes are kept for members whose local header leaves them out.
struct MemberSlot {
    uint32_t local_offset;
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint8_t host;
    uint8_t encrypted;
    uint8_t has_descriptor;
    uint8_t text;
    char central_name[NAME_BUFFER];
};

struct UnzipState {
    // Archive input.
    const uint8_t *archive;
    uint32_t archive_size;
    uint32_t read_position; // archive offset of the next block read_block copies
    uint8_t input_buffer[INPUT_BLOCK];
    uint8_t hold[8]; // directly behind input_buffer: the end-record search compares into it
    const uint8_t *input_pointer;
    int32_t input_count;  // unread bytes left in input_buffer
    int32_t block_length; // bytes the current block holds (-1: none read yet)
    int64_t buffer_start; // archive offset of input_buffer[0]
    int32_t leading;      // correction added to every archive offset; 0 for accepted archives
    uint32_t search_length;

    // Member output.
    uint8_t *output; // module output buffer (zero-filled pages); null when none
    uint32_t output_capacity;
    uint32_t output_length;
    uint8_t *text; // text buffer, NUL-terminated; null when none
    uint32_t text_length;
    uint32_t text_capacity;
    int text_mode;
    const char *extension_list;

    // Where the current member's bytes went, so its record gets exactly them.
    int member_opened;      // the output was opened for this member
    uint32_t member_start;  // offset of its first byte in output (or text)
    uint32_t emitted_count; // bytes of it handed to the output (never beyond the declared size)
    int output_failed;      // a flush could not grow the output: the member is incomplete

    // Output window and bits.
    uint8_t output_window[WINDOW_SIZE];
    uint8_t *window_pointer;
    uint32_t window_count;
    uint32_t flushed_count;
    uint32_t bit_buffer;
    int32_t bit_count;
    uint8_t input_exhausted;
    int64_t compressed_left; // wide, so that a forged 4 GB size cannot wrap
    uint32_t uncompressed_size;
    uint32_t crc;

    // Headers and names.
    LocalHeader local;
    CentralHeader central;
    EndRecord end;
    char name[NAME_BUFFER];
    uint8_t *extra; // the last extra field read
    uint32_t extra_length;

    // Chain and selection.
    ExtractedMember *chain_end;
    ExtractedMember *first_record;
    ExtractedMember *append_after;
    int first_pending;
    const char *wanted_name;
    MemberSlot members[GROUP_SIZE];
    uint32_t member_count;

    // Deflate: the fixed tables live for the whole call, the rest for one block or member.
    int fixed_built;
    uint32_t fixed_lit_width, fixed_dist_width;
    HuffCode fixed_lit[FIXED_LIT_SIZE];
    HuffCode fixed_dist[FIXED_DIST_SIZE];
    HuffCode lens_table[LENS_TABLE_SIZE];
    HuffCode lit_table[LIT_TABLE_SIZE];
    HuffCode dist_table[DIST_TABLE_SIZE];

    // Shrink, reduce and implode work areas.
    int16_t lzw_parent[LZW_CODES];
    uint8_t lzw_suffix[LZW_CODES];
    uint8_t lzw_stack[LZW_CODES];
    uint8_t follower_count[256];
    uint8_t followers[256][64];
};

// Life of a state: zero-filled, set up for one archive image. Null when out of memory.
UnzipState *state_create(const uint8_t *archive, uint32_t size);
void state_destroy(UnzipState *s); // releases the buffers and the state itself

// Archive input.
uint32_t read_block(UnzipState *s, uint8_t *destination, uint32_t count);
uint32_t read_bytes(UnzipState *s, uint8_t *destination, uint32_t count);
bool seek_archive(UnzipState *s, int64_t offset);
int64_t archive_position(const UnzipState *s); // offset of the next unread byte
bool next_input_block(UnzipState *s);          // refills input_buffer; false at the end
int skip_field(UnzipState *s, uint32_t count);
int read_name(UnzipState *s, uint32_t length);
int read_extra(UnzipState *s, uint32_t length);

// One compressed byte of the current member: 8 when delivered, 0 when the member's
// compressed size is used up or the archive ends.
static inline int read_byte(UnzipState *s, uint8_t *out)
{
    if (s->compressed_left <= 0)
        return 0;
    s->compressed_left--;
    if (s->input_count <= 0 && !next_input_block(s))
        return 0;
    s->input_count--;
    *out = *s->input_pointer++;
    return 8;
}

// Tops bit_buffer up to at least 25 bits where the input allows; input_exhausted is set
// exactly when not a single byte could be added.
void fill_bits(UnzipState *s);

// The low n bits of bit_buffer (n <= 24), dropped afterwards; 0-bits past the input's end.
static inline uint32_t read_bits(UnzipState *s, int n)
{
    if (s->bit_count < n)
        fill_bits(s);
    uint32_t v = s->bit_buffer & ((1u << n) - 1);
    s->bit_buffer >>= n;
    s->bit_count -= n;
    if (s->bit_count < 0)
        s->bit_count = 0;
    return v;
}

// Output.
int flush_window(UnzipState *s);
static inline void put_byte(UnzipState *s, uint8_t b)
{
    *s->window_pointer++ = b;
    if (++s->window_count == WINDOW_SIZE)
        flush_window(s);
}
uint32_t append_output(UnzipState *s, const uint8_t *bytes, uint32_t count);
// Adds a decoded run to the member's CRC and output, cut at the declared size.
int emit_output(UnzipState *s, const uint8_t *bytes, uint32_t count);
uint32_t crc32_bytes(uint32_t crc, const uint8_t *bytes, uint32_t count);
// The same by tables alone, whatever the processor (crc32_bytes uses it for short runs).
uint32_t crc32_tables(uint32_t crc, const uint8_t *bytes, uint32_t count);
void crc32_update(UnzipState *s, const uint8_t *bytes, uint32_t count);

// Bytes of the current member decoded so far by the window-based decoders.
static inline uint32_t output_so_far(const UnzipState *s)
{
    return s->flushed_count + s->window_count;
}

// Member extraction (extract.cpp) and the output choice it opens with (member_output.cpp).
int extract_member(UnzipState *s);
int open_output(UnzipState *s); // 0 ok, 1 no memory, 2 a second "diz" text member
void close_buffers(UnzipState *s);

static inline int raise_status(int status, int other)
{
    return other > status ? other : status;
}

#endif
