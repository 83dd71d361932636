#include "member.h"

#include "page_alloc.h"

Status extract_member(Engine *e, const MemberHeader &h, const char *name)
{
    begin_member(&e->in, h.compressed_size);
    if (open_member_output(&e->out, name, h.uncompressed_size, e->in.archive_size) != StatusOk)
        return StatusOutputFailed;
    switch (h.method) {
    case 0:
        copy_stored(&e->in, &e->out);
        break;
    case 1:
        unshrink(&e->in, &e->out, &e->area.shrink);
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        unreduce(&e->in, &e->out, &e->area.reduce, h.method - 1);
        break;
    case 6:
        explode(&e->in, &e->out, &e->area.implode, h.flags);
        break;
    case 8: {
        Status status = inflate(&e->in, &e->out, &e->area.inflate, &e->fixed);
        if (status != StatusOk)
            return status;
        break;
    }
    default:
        return StatusWarning;
    }
    // A stream that ended early (or a forged size) leaves the member short: its CRC-32
    // might still match the bytes present, so the length is checked as well.
    if (flush_window(&e->out) != StatusOk || e->out.failed ||
        e->out.emitted != h.uncompressed_size || (e->out.crc ^ 0xFFFFFFFFu) != h.crc32)
        return StatusWarning;
    return StatusOk;
}

uint64_t largest_output(int method, uint64_t compressed)
{
    switch (method) {
    case 1:
        // Shrink: a code has at least 9 bits, and no string is longer than the 8192-byte
        // stack the decoder assembles it in.
        return (compressed * 8 / 9 + 1) * 8192;
    case 2:
    case 3:
    case 4:
    case 5:
        // Reduce: with one-entry follower sets a byte costs 2 bits, and a copy of at most
        // 127 + 255 + 3 = 385 bytes costs 4 bytes (144, length, extra length, distance):
        // 385 bytes from 8 bits. A copy under way may finish past the limit.
        return compressed * 385 + 385;
    case 6:
        // Implode: the longest match (63 + 255 + 3 = 321 bytes) costs at least 1 + 6 + 1 +
        // 1 + 8 = 17 bits, about 151 bytes of output per input byte.
        return compressed * 152 + 321;
    case 8:
        // Deflate: a 258-byte match costs at least 2 bits, hence 1032 bytes per byte.
        return compressed * 1032 + 258;
    default:
        // Stored, and methods we cannot decode (their record holds no more than the input).
        return compressed;
    }
}

Status run_member(const uint8_t *image, uint32_t size, uint32_t offset, const MemberHeader &h,
                  uint8_t **bytes, uint32_t *length)
{
    *bytes = nullptr;
    *length = 0;
    Engine *e = (Engine *)page_alloc(sizeof(Engine));
    if (!e)
        return StatusOutputFailed;
    input_open(&e->in, image, size);
    Status status = StatusBadFormat;
    if (seek_archive(&e->in, offset))
        status = extract_member(e, h, "member.mod");
    // A module member of a fresh engine starts its module buffer: hand the buffer over.
    if (member_bytes(&e->out, length) == e->out.module && *length > 0) {
        *bytes = e->out.module;
        e->out.module = nullptr;
    } else {
        *length = 0;
    }
    release_buffers(&e->out);
    page_free(e);
    return status;
}
