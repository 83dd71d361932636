// pexlin.dll against zlib 1.2.13 built by the same compiler for the same target, on the
// same deflated 4 MB member of text, of module-like binary data and of random bytes
// (which zlib's deflate stores). Both do the whole job a caller gets: pexlin.dll through
// its only export on a one-member ZIP in memory (directory walk, inflate, CRC-32 check,
// output in fresh pages); zlib inflates the member's raw stream into pages allocated for
// the run with VirtualAlloc, as pexlin's output is, and checks its crc32. Releasing the
// output is not timed for either. The two alternate run by run and which goes first
// alternates too, so machine noise hits both alike.
#include "bench_data.h"
#include "pexlin.h"
#include "win_bench.h"
#include "zip_writer.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>
#include <zlib.h>

namespace
{

typedef ExtractedMember *(__stdcall *ArcFunction)(const uint8_t *, uint32_t, ExtractedMember *,
                                                  const char *);

const size_t MemberSize = 4 << 20;

// zlib's deflate at its default level, raw (no zlib header), as a ZIP member holds it.
Bytes zlib_deflate_raw(const Bytes &data)
{
    z_stream z;
    memset(&z, 0, sizeof z);
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, (uLong)data.size()));
    z.next_in = (Bytef *)data.data();
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// One run of pexlin.dll: true when it gave the one member, byte for byte.
bool run_pexlin(ArcFunction arc, const Bytes &zip, const Bytes &data, BestTime &time)
{
    time.start();
    ExtractedMember *r = arc(zip.data(), (uint32_t)zip.size(), nullptr, nullptr);
    time.stop();
    bool ok =
        r && !r->next && r->size == data.size() && memcmp(r->data, data.data(), data.size()) == 0;
    for (ExtractedMember *next; r; r = next) {
        next = r->next;
        if (r->data)
            VirtualFree(r->data, 0, MEM_RELEASE);
        VirtualFree(r, 0, MEM_RELEASE);
    }
    return ok;
}

// One run of zlib: true when the CRC-32 of what it inflated is the member's.
bool run_zlib(const Bytes &packed, size_t size, uint32_t crc, BestTime &time)
{
    time.start();
    uint8_t *out = (uint8_t *)VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    z_stream z;
    memset(&z, 0, sizeof z);
    inflateInit2(&z, -15);
    z.next_in = (Bytef *)packed.data();
    z.avail_in = (uInt)packed.size();
    z.next_out = out;
    z.avail_out = (uInt)size;
    int status = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    bool ok = status == Z_STREAM_END && z.total_out == size && crc32(0, out, (uInt)size) == crc;
    time.stop();
    VirtualFree(out, 0, MEM_RELEASE);
    return ok;
}

} // namespace

int bench_pexlin_vs_zlib(int runs)
{
    HMODULE dll = LoadLibraryA("pexlin.dll");
    ArcFunction arc =
        dll ? (ArcFunction)(void *)GetProcAddress(dll, "check_and_process_arc") : nullptr;
    if (!arc) {
        printf("pexlin.dll or its export check_and_process_arc is missing\n");
        return 1;
    }
    struct Case {
        Bytes data, packed, zip;
        uint32_t crc;
        BestTime ours, zlib;
        bool ok = true;
    } cases[ArchiveDataKinds];
    for (int kind = 0; kind < ArchiveDataKinds; kind++) {
        Case &c = cases[kind];
        c.data = archive_data(kind, MemberSize);
        c.packed = zlib_deflate_raw(c.data);
        c.zip = zip_write({{"bench.mod", c.data, 8, true, c.packed}});
        c.crc = (uint32_t)crc32(0, c.data.data(), (uInt)c.data.size());
    }
    // Every run times all kinds, so a busy spell of the machine does not fall on one alone.
    for (int i = 0; i < runs; i++) {
        for (Case &c : cases) {
            if (!c.ok)
                continue;
            if (i % 2)
                c.ok = run_pexlin(arc, c.zip, c.data, c.ours) &&
                       run_zlib(c.packed, c.data.size(), c.crc, c.zlib);
            else
                c.ok = run_zlib(c.packed, c.data.size(), c.crc, c.zlib) &&
                       run_pexlin(arc, c.zip, c.data, c.ours);
        }
    }
    FreeLibrary(dll);

    printf("\npexlin.dll against zlib %s (inflate + crc32 into fresh pages), 4 MB members\n",
           zlibVersion());
    printf("data     deflated  pexlin.dll MB/s  zlib MB/s  pexlin/zlib\n");
    int failed = 0;
    for (int kind = 0; kind < ArchiveDataKinds; kind++) {
        const Case &c = cases[kind];
        if (!c.ok) {
            printf("%-8s decoding FAILED\n", archive_data_name(kind));
            failed = 1;
            continue;
        }
        printf("%-8s %7.1f%% %16.1f %10.1f %12.2f\n", archive_data_name(kind),
               100.0 * c.packed.size() / c.data.size(), c.ours.mb_per_s(c.data.size()),
               c.zlib.mb_per_s(c.data.size()), c.zlib.best / c.ours.best);
    }
    return failed;
}
