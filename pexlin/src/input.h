// Input: the archive image read through one 512-byte block, the current member's compressed
// bytes (never one beyond its compressed size), and the one bit reader of every method. The
// member's bulk (stored runs, the fast reader) comes straight from the image, which is in
// memory whole; the block then follows to where it stopped.
//
// Invariants:
// - No read leaves the image, whatever offsets and sizes the archive claims: read_block
//   clips to it, and member runs and the fast reader stop at its end as well as at the
//   member's compressed size.
// - `next` and `left` describe the unread part of the block: next + left is its end.
// - The bit buffer holds `bit_count` valid bits, the first one lowest; the bits above them
//   are 0. The top `padding` of them are zero bits made up past the member's end, so a
//   reader that has taken more than the real ones (bits_overrun) decoded nothing real.
#ifndef PEXLIN_INPUT_H
#define PEXLIN_INPUT_H

#include <stdint.h>
#include <string.h>

#include "status.h"

// The bit buffer is as wide as a register: on i686 a 64-bit buffer would live in register
// pairs and every shift would take three instructions.
#if UINTPTR_MAX > 0xFFFFFFFFu
typedef uint64_t BitBuffer;
#else
typedef uint32_t BitBuffer;
#endif

enum { INPUT_BLOCK = 512, BIT_BUFFER_BITS = 8 * sizeof(BitBuffer) };

struct Input {
    const uint8_t *archive;
    uint32_t archive_size;
    uint32_t read_position; // archive offset of the next block read_block copies
    uint8_t block[INPUT_BLOCK];
    uint8_t hold[8]; // directly behind block: the end-record search compares into it
    const uint8_t *next;
    uint32_t left;        // unread bytes of the block
    int32_t block_length; // bytes the block holds (-1: none read yet)
    int64_t block_start;  // archive offset of block[0]

    int64_t member_left; // compressed bytes of the member not taken yet; wide, so that a
                         // forged 4 GB size cannot wrap
    BitBuffer bits;
    uint32_t bit_count;
    uint32_t padding;
};

void input_open(Input *in, const uint8_t *archive, uint32_t size);

// The archive as a file: blocks, bytes, positions.
uint32_t read_block(Input *in, uint8_t *destination, uint32_t count);
bool next_block(Input *in); // refills the block from read_position; false at the end
uint32_t read_bytes(Input *in, uint8_t *destination, uint32_t count);
int64_t input_position(const Input *in); // offset of the next unread byte
bool seek_archive(Input *in, int64_t offset);
Status skip_bytes(Input *in, uint32_t count);

// The member's compressed bytes, from the current position on.
void begin_member(Input *in, int64_t compressed_size);

// The next run of the member's bytes, at most `most` long; taken. 0 when the member or the
// archive is used up.
uint32_t member_run(Input *in, uint32_t most, const uint8_t **at);

inline bool read_byte(Input *in, uint8_t *out)
{
    if (in->member_left <= 0 || (in->left == 0 && !next_block(in)))
        return false;
    in->member_left--;
    in->left--;
    *out = *in->next++;
    return true;
}

// Makes sure n bits are there (n <= BIT_BUFFER_BITS - 8): as many whole bytes as fit, and
// zero bytes past the member's end where those are not enough.
inline void need_bits(Input *in, uint32_t n)
{
    if (in->bit_count >= n)
        return;
    uint8_t b;
    while (in->bit_count < BIT_BUFFER_BITS - 8 && read_byte(in, &b)) {
        in->bits |= (BitBuffer)b << in->bit_count;
        in->bit_count += 8;
    }
    while (in->bit_count < n) {
        in->padding += 8;
        in->bit_count += 8;
    }
}

inline uint32_t peek_bits(const Input *in, uint32_t n)
{
    return (uint32_t)in->bits & ((1u << n) - 1);
}

inline void drop_bits(Input *in, uint32_t n)
{
    in->bits >>= n;
    in->bit_count -= n;
}

inline uint32_t take_bits(Input *in, uint32_t n)
{
    need_bits(in, n);
    uint32_t v = peek_bits(in, n);
    drop_bits(in, n);
    return v;
}

// True once a reader has taken bits the input never had: what it decoded last is not real.
inline bool bits_overrun(const Input *in)
{
    return in->bit_count < in->padding;
}

// Whether n more real bits can be taken (the spare bits that pad a member's last byte are
// never a whole code).
inline bool real_bits(Input *in, uint32_t n)
{
    need_bits(in, n);
    return in->bit_count >= in->padding + n;
}

// The fast readers' view of the input: whole bytes straight from the archive image (the
// same bytes the block would hold, never one beyond the member's compressed size or the
// image), while no padding has been made up. A refill loads BIT_BUFFER_BITS bits but counts
// only the whole bytes that fit: the bits above the count are the next byte's, still
// unread, and the next refill ORs the very same bits there again. fast_end clears them, as
// the invariant above wants, and brings the block to where the fast reader stopped.
struct FastBits {
    const uint8_t *next;
    const uint8_t *last; // the last place a symbol's refills may start from
    BitBuffer bits;
    uint32_t count;
};

// What the refills of one symbol (three at most) may read beyond `last`.
enum { FAST_MARGIN = 16 };

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "deflate's bit order is the load's");

inline BitBuffer load_bits(const uint8_t *p)
{
    BitBuffer v;
    memcpy(&v, p, sizeof v); // one load, the first byte lowest
    return v;
}

// After it, at least BIT_BUFFER_BITS - 8 bits are there.
inline void fast_refill(FastBits *f)
{
    f->bits |= load_bits(f->next) << f->count;
    f->next += (BIT_BUFFER_BITS - 1 - f->count) >> 3;
    f->count |= BIT_BUFFER_BITS - 8;
}

bool fast_begin(Input *in, FastBits *f); // false when the member is nearly used up
void fast_end(Input *in, const FastBits *f);

#endif
