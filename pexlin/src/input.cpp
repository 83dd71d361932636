// Input: block-wise reading of the archive image, positions, the member's bytes and the
// fast bit reader's hand-over.
#include "input.h"

void input_open(Input *in, const uint8_t *archive, uint32_t size)
{
    memset(in, 0, sizeof *in);
    in->archive = archive;
    in->archive_size = size;
    in->next = in->block;
    in->block_length = -1;
}

uint32_t read_block(Input *in, uint8_t *destination, uint32_t count)
{
    if (!destination || count == 0 || in->read_position >= in->archive_size)
        return 0;
    uint32_t rest = in->archive_size - in->read_position;
    if (count > rest)
        count = rest;
    memcpy(destination, in->archive + in->read_position, count);
    in->read_position += count;
    return count;
}

bool next_block(Input *in)
{
    int64_t at = in->read_position;
    uint32_t got = read_block(in, in->block, INPUT_BLOCK);
    if (got == 0)
        return false;
    in->block_start = at;
    in->block_length = (int32_t)got;
    in->next = in->block;
    in->left = got;
    return true;
}

uint32_t read_bytes(Input *in, uint8_t *destination, uint32_t count)
{
    uint32_t done = 0;
    while (done < count) {
        if (in->left == 0 && !next_block(in))
            break;
        uint32_t n = count - done;
        if (n > in->left)
            n = in->left;
        memcpy(destination + done, in->next, n);
        in->next += n;
        in->left -= n;
        done += n;
    }
    return done;
}

int64_t input_position(const Input *in)
{
    return in->block_start + (in->next - in->block);
}

bool seek_archive(Input *in, int64_t offset)
{
    // Seeking to the very end is allowed (an empty field may end there); beyond it is not.
    if (offset < 0 || offset > (int64_t)in->archive_size)
        return false;
    int64_t r = offset % INPUT_BLOCK;
    if (in->block_length < 0 || offset - r != in->block_start || r > in->block_length) {
        in->read_position = (uint32_t)(offset - r);
        in->block_length = (int32_t)read_block(in, in->block, INPUT_BLOCK);
        in->block_start = offset - r;
        if (r > in->block_length)
            return false;
    }
    in->next = in->block + r;
    in->left = (uint32_t)(in->block_length - r);
    return true;
}

Status skip_bytes(Input *in, uint32_t count)
{
    if (count == 0)
        return StatusOk;
    return seek_archive(in, input_position(in) + count) ? StatusOk : StatusEndOfArchive;
}

void begin_member(Input *in, int64_t compressed_size)
{
    in->member_left = compressed_size;
    in->bits = 0;
    in->bit_count = 0;
    in->padding = 0;
}

uint32_t member_run(Input *in, uint32_t most, const uint8_t **at)
{
    // Straight from the image: the same bytes the block would hold, without copying them
    // there first. The block follows to where the run ends.
    int64_t from = input_position(in);
    int64_t n =
        in->archive_size - from < in->member_left ? in->archive_size - from : in->member_left;
    if (in->block_length < 0 || n <= 0)
        return 0;
    if (n > most)
        n = most;
    *at = in->archive + from;
    in->member_left -= n;
    seek_archive(in, from + n);
    return (uint32_t)n;
}

bool fast_begin(Input *in, FastBits *f)
{
    if (in->padding != 0 || in->block_length < 0)
        return false;
    int64_t at = input_position(in);
    int64_t end = at + in->member_left;
    if (end > (int64_t)in->archive_size)
        end = in->archive_size;
    if (end - at < FAST_MARGIN)
        return false;
    f->next = in->archive + at;
    f->last = in->archive + (end - FAST_MARGIN);
    f->bits = in->bits;
    f->count = in->bit_count;
    return true;
}

void fast_end(Input *in, const FastBits *f)
{
    int64_t at = (int64_t)(f->next - in->archive);
    in->member_left -= at - input_position(in);
    seek_archive(in, at);
    // Only the counted bits stay; the ones above them are still unread.
    in->bits = f->count < BIT_BUFFER_BITS ? f->bits & (((BitBuffer)1 << f->count) - 1) : f->bits;
    in->bit_count = f->count;
}
