// Helpers of the native archive-library tests: owning a record chain, running one member's
// decoder on a raw stream, reading files.
#ifndef TESTS_PEXLIN_TEST_UTIL_H
#define TESTS_PEXLIN_TEST_UTIL_H

#include <stddef.h>
#include <zlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "decoders.h"
#include "fixtures.h"
#include "names.h"
#include "pexlin.h"
#include "unzip_state.h"
#include "zip_writer.h"

#include <gtest/gtest.h>

// The records of one call, released when the test ends (natively they come from calloc).
struct Chain {
    ExtractedMember *head = nullptr;
    explicit Chain(ExtractedMember *h = nullptr) : head(h)
    {
    }
    ~Chain()
    {
        while (head) {
            ExtractedMember *next = head->next;
            free(head->data);
            free(head);
            head = next;
        }
    }
    Chain(const Chain &) = delete;
    Chain &operator=(const Chain &) = delete;
    std::vector<ExtractedMember *> records() const
    {
        std::vector<ExtractedMember *> all;
        for (ExtractedMember *r = head; r; r = r->next)
            all.push_back(r);
        return all;
    }
};

inline Bytes record_bytes(const ExtractedMember *r)
{
    return r->data ? Bytes(r->data, r->data + r->size) : Bytes();
}

// A state for one member's stream at `offset` in `image`, as the archive walk sets it up
// for a module member; state_destroy releases it.
inline UnzipState *member_state(const Bytes &image, size_t offset, int64_t compressed,
                                uint32_t declared)
{
    UnzipState *s = state_create(image.data(), (uint32_t)image.size());
    s->extension_list = EXTENSION_LIST;
    strcpy(s->name, "member.mod");
    seek_archive(s, (int64_t)offset);
    s->compressed_left = compressed;
    s->uncompressed_size = s->local.uncompressed_size = declared;
    return s;
}

// One member decoded through the engine as the archive walk would run it: its status and
// the bytes it gave.
struct MemberRun {
    int status = -1;
    Bytes out;
};

inline MemberRun run_member_at(const Bytes &image, size_t offset, int64_t compressed, int method,
                               uint32_t declared, uint16_t flags = 0, int64_t expected_crc = -1)
{
    MemberRun run;
    UnzipState *s = member_state(image, offset, compressed, declared);
    s->local.method = (uint16_t)method;
    s->local.general_flags = flags;
    s->local.crc32 = (uint32_t)expected_crc;
    run.status = extract_member(s);
    if (s->output)
        run.out.assign(s->output + s->member_start, s->output + s->output_length);
    state_destroy(s);
    return run;
}

// A whole raw stream as one member.
inline MemberRun run_member(const Bytes &stream, int method, uint32_t declared, uint16_t flags = 0,
                            int64_t expected_crc = -1)
{
    return run_member_at(stream, 0, (int64_t)stream.size(), method, declared, flags, expected_crc);
}

// Deflate's decoder result on a raw stream (0 ok, 1 invalid, 2 bad block, 3 memory).
inline int inflate_result(const Bytes &stream, uint32_t declared, Bytes *out = nullptr)
{
    UnzipState *s = member_state(stream, 0, (int64_t)stream.size(), declared);
    s->crc = 0xFFFFFFFFu;
    open_output(s);
    int r = inflate_member(s);
    if (out && s->output)
        out->assign(s->output, s->output + s->output_length);
    state_destroy(s);
    return r;
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

// A folder of its own under the test temporary folder, removed with what it holds, so
// that runs side by side (and runs from the source tree) leave nothing behind and do
// not meet; empty when it cannot be made.
struct TempFolder {
    std::string path;
    explicit TempFolder(const char *stem)
    {
        std::string pattern = ::testing::TempDir() + stem + "_XXXXXX";
        if (mkdtemp(&pattern[0]))
            path = pattern;
    }
    ~TempFolder()
    {
        if (!path.empty())
            (void)system(("rm -rf '" + path + "'").c_str());
    }
};

inline bool have_info_zip()
{
    return system("command -v zip >/dev/null 2>&1") == 0;
}

#endif
