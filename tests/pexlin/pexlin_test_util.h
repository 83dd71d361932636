// Helpers of the native archive-library tests (and the benchmark): the entry point's
// records, one member run through extraction, zlib's compressor.
#ifndef TESTS_PEXLIN_TEST_UTIL_H
#define TESTS_PEXLIN_TEST_UTIL_H

#include <string.h>
#include <zlib.h>

#include "member.h"
#include "page_alloc.h"
#include "pexlin_common.h"
#include "zip_writer.h"

inline Contents contents(const Bytes &zip, const char *wanted = nullptr)
{
    return take(check_and_process_arc(zip.data(), (uint32_t)zip.size(), nullptr, wanted));
}

// One member's status and the bytes it gave.
struct MemberRun {
    Status status;
    Bytes out;
};

// The member's compressed data at `offset` of `image` (all of the image behind it unless
// `compressed` says otherwise), extracted as the archive walk extracts a module member.
inline MemberRun run(const Bytes &image, int method, uint32_t declared, int64_t crc = -1,
                     uint16_t flags = 0, size_t offset = 0, int64_t compressed = -1)
{
    MemberHeader h = {(uint16_t)method, flags, (uint32_t)crc,
                      (uint32_t)(compressed < 0 ? image.size() - offset : compressed), declared};
    uint8_t *bytes;
    uint32_t length;
    MemberRun run;
    run.status =
        run_member(image.data(), (uint32_t)image.size(), (uint32_t)offset, h, &bytes, &length);
    run.out.assign(bytes, bytes + length);
    page_free(bytes);
    return run;
}

// The parts one after another.
inline Bytes joined(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A raw deflate stream (no zlib header) of `data` by zlib's compressor.
inline Bytes zlib_deflate(const Bytes &data, int level, int strategy = Z_DEFAULT_STRATEGY)
{
    z_stream z;
    memset(&z, 0, sizeof z);
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
    Bytes out(deflateBound(&z, data.size()) + 16);
    z.next_in = (Bytef *)data.data();
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

#endif
