// Recognition of a ZIP image, the central directory walk and member selection.
#include "archive.h"

#include <stdlib.h>
#include <string.h>

#include "member.h"
#include "names.h"
#include "page_alloc.h"

static const uint8_t LOCAL_SIGNATURE[4] = {'P', 'K', 3, 4};
static const uint8_t CENTRAL_SIGNATURE[4] = {'P', 'K', 1, 2};
static const uint8_t END_SIGNATURE[4] = {'P', 'K', 5, 6};
static const uint8_t ZIP64_END_SIGNATURE[4] = {'P', 'K', 6, 6};
static const uint8_t ZIP64_LOCATOR_SIGNATURE[4] = {'P', 'K', 6, 7};

enum {
    NAME_BUFFER = 260, // 259 characters and a terminator
    GROUP_SIZE = 64,   // central entries collected before their members are processed
    END_RECORD_SIZE = 22,
    END_SEARCH_SPAN = 22 + 65535, // the record and the longest archive comment
    ZIP64_LOCATOR_SIZE = 20,
    ZIP64_END_SIZE = 56, // the ZIP64 end record without its extensible data
    ZIP64_TAG = 0x0001,  // extra-field tag of the ZIP64 extended information
    ZIP64_VERSION = 45,  // version needed by members that may use ZIP64 fields
};

// The fields of the headers that the walk uses (the others are skipped where they are read).
struct LocalHeader {
    uint16_t general_flags;
    uint16_t method;
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint16_t name_length;
    uint16_t extra_length;
};

struct CentralHeader {
    uint16_t version_needed;
    uint16_t general_flags;
    uint16_t method;
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint16_t name_length;
    uint16_t extra_length;
    uint16_t comment_length;
    uint32_t local_offset;
};

struct EndRecord {
    uint16_t this_disk;
    uint16_t total_entries;
    uint32_t directory_size;
    uint32_t directory_offset;
};

// An accepted central entry, waiting in the member table for its group to be processed.
// The central CRC and sizes are kept for members whose local header leaves them out.
struct MemberSlot {
    uint32_t local_offset;
    uint32_t crc32;
    uint32_t compressed_size;
    uint32_t uncompressed_size;
    uint8_t kind; // EntryKind
    char central_name[NAME_BUFFER];
};

// The state of one call.
struct ArchiveWalk {
    Engine engine;
    LocalHeader local;
    CentralHeader central;
    EndRecord end;
    char name[NAME_BUFFER];
    uint8_t *extra; // the last extra field read
    uint32_t extra_length;
    const char *wanted_name;
    ExtractedMember *first_record;
    ExtractedMember *chain_end;
    MemberSlot members[GROUP_SIZE];
    uint32_t member_count;
};

// A 32-bit header field holding this value has its real value in the ZIP64 extra field.
static const uint32_t WIDE = 0xFFFFFFFFu;

static uint16_t le16(const uint8_t *p)
{
    return (uint16_t)(p[0] | p[1] << 8);
}

static uint32_t le32(const uint8_t *p)
{
    return (uint32_t)le16(p) | (uint32_t)le16(p + 2) << 16;
}

static uint64_t le64(const uint8_t *p)
{
    return (uint64_t)le32(p) | (uint64_t)le32(p + 4) << 32;
}

// A byte of the current search block; the comparison at its last positions runs on into
// the hold bytes, the first bytes of the block that follows it in the image.
static uint8_t search_byte(const ArchiveWalk *w, int i)
{
    return i < INPUT_BLOCK ? w->engine.in.block[i] : w->engine.in.hold[i - INPUT_BLOCK];
}

// Scans the block positions [first, last] backwards for the signature; `base` is the
// block's archive offset. Positions outside [lowest, highest] are never matches.
static int64_t scan_block(const ArchiveWalk *w, int64_t base, int first, int last, int64_t lowest,
                          int64_t highest)
{
    for (int i = last; i >= first; i--) {
        int64_t at = base + i;
        if (at > highest)
            continue;
        if (at < lowest)
            break;
        if (search_byte(w, i) == 'P' && search_byte(w, i + 1) == 'K' &&
            search_byte(w, i + 2) == 5 && search_byte(w, i + 3) == 6)
            return at;
    }
    return -1;
}

static void keep_hold(ArchiveWalk *w)
{
    memcpy(w->engine.in.hold, w->engine.in.block, 3);
}

// The offset of the end record nearest the image's end within its last 65,557 bytes, or -1.
static int64_t find_end_record(ArchiveWalk *w)
{
    int64_t size = w->engine.in.archive_size;
    if (!w->engine.in.archive || size < END_RECORD_SIZE)
        return -1;
    // The search only stops where the whole record fits, and reaches no further back than
    // the longest comment allows.
    int64_t highest = size - END_RECORD_SIZE;
    int64_t lowest = size > END_SEARCH_SPAN ? size - END_SEARCH_SPAN : 0;
    memset(w->engine.in.hold, 0, sizeof w->engine.in.hold);

    if (size <= INPUT_BLOCK) {
        w->engine.in.read_position = 0;
        uint32_t got = read_block(&w->engine.in, w->engine.in.block, (uint32_t)size);
        return scan_block(w, 0, 0, (int)got - 1, lowest, highest);
    }

    // The partial block at the end first, then whole blocks aligned on 512 from the start.
    int64_t tail = size % INPUT_BLOCK;
    int64_t base = size - tail;
    if (tail > 0) {
        w->engine.in.read_position = (uint32_t)base;
        read_block(&w->engine.in, w->engine.in.block, (uint32_t)tail);
        int64_t at = scan_block(w, base, 0, (int)tail - 1, lowest, highest);
        if (at >= 0)
            return at;
        keep_hold(w);
    }
    while (base > 0 && base + INPUT_BLOCK > lowest) {
        base -= INPUT_BLOCK;
        w->engine.in.read_position = (uint32_t)base;
        if (read_block(&w->engine.in, w->engine.in.block, INPUT_BLOCK) < INPUT_BLOCK)
            return -1;
        int64_t at = scan_block(w, base, 0, INPUT_BLOCK - 1, lowest, highest);
        if (at >= 0)
            return at;
        keep_hold(w);
    }
    return -1;
}

static bool read_end_record(ArchiveWalk *w, int64_t offset)
{
    uint8_t r[END_RECORD_SIZE];
    if (!seek_archive(&w->engine.in, offset) || read_bytes(&w->engine.in, r, sizeof r) != sizeof r)
        return false;
    if (memcmp(r, END_SIGNATURE, 4) != 0)
        return false;
    // Disk numbers (this one, the directory's), entries (here, in all), directory size and
    // offset, comment length.
    w->end = {le16(r + 4), le16(r + 10), le32(r + 12), le32(r + 16)};
    return true;
}

// A ZIP64 end record and its locator between the central directory and the end record.
// Info-ZIP writes them whenever it could not know the sizes beforehand (input from a pipe),
// even when every value fits the end record. They are taken when they fill the gap exactly
// (directory, ZIP64 end record, locator, end record, nothing in between), name disk 0 only,
// and their values fit the end record's fields; their values then replace the end record's.
// Anything else leaves the gap unexplained, and the image is no archive.
static bool read_zip64_end(ArchiveWalk *w, int64_t end_at)
{
    uint8_t loc[ZIP64_LOCATOR_SIZE];
    int64_t locator_at = end_at - ZIP64_LOCATOR_SIZE;
    if (locator_at < ZIP64_END_SIZE || !seek_archive(&w->engine.in, locator_at) ||
        read_bytes(&w->engine.in, loc, sizeof loc) != sizeof loc ||
        memcmp(loc, ZIP64_LOCATOR_SIGNATURE, 4) != 0)
        return false;
    uint64_t record_at = le64(loc + 8);
    if (le32(loc + 4) != 0 || le32(loc + 16) > 1 ||
        record_at > (uint64_t)(locator_at - ZIP64_END_SIZE))
        return false;
    uint8_t r[ZIP64_END_SIZE];
    if (!seek_archive(&w->engine.in, (int64_t)record_at) ||
        read_bytes(&w->engine.in, r, sizeof r) != sizeof r ||
        memcmp(r, ZIP64_END_SIGNATURE, 4) != 0)
        return false;
    // The record's size counts the bytes behind its size field: 44 fixed ones and any
    // extensible data, which must end where the locator starts.
    uint64_t record_size = le64(r + 4);
    if (record_size != (uint64_t)locator_at - record_at - 12)
        return false;
    uint32_t this_disk = le32(r + 16), directory_disk = le32(r + 20);
    uint64_t entries_here = le64(r + 24), total_entries = le64(r + 32);
    uint64_t directory_size = le64(r + 40), directory_offset = le64(r + 48);
    if (this_disk != 0 || directory_disk != 0 || entries_here > 0xFFFF || total_entries > 0xFFFF ||
        directory_size > record_at || directory_offset != record_at - directory_size)
        return false;
    w->end.total_entries = (uint16_t)total_entries;
    w->end.directory_size = (uint32_t)directory_size;
    w->end.directory_offset = (uint32_t)directory_offset;
    return true;
}

// Recognition: an end record near the end, on disk 0, with the central directory right in
// front of it (or in front of a ZIP64 end record and locator that fit the end record).
// Anything else (a split archive, bytes in front of the archive, a truncated one) is not an
// archive.
static bool recognise(ArchiveWalk *w)
{
    int64_t at = find_end_record(w);
    if (at < 0 || !read_end_record(w, at))
        return false;
    if (w->end.this_disk != 0)
        return false;
    int64_t leading = at - ((int64_t)w->end.directory_offset + (int64_t)w->end.directory_size);
    return leading == 0 || read_zip64_end(w, at);
}

static void link_record(ArchiveWalk *w, ExtractedMember *rec)
{
    if (!w->first_record)
        w->first_record = rec;
    if (w->chain_end)
        w->chain_end->next = rec;
    w->chain_end = rec;
}

// One record per extraction attempt: the member's own bytes when it was extracted (as far
// as they came out), zeros elsewhere. Never copies beyond the filled part of a buffer.
static void make_record(ArchiveWalk *w, const char *mapped)
{
    uint32_t size = w->local.uncompressed_size;
    ExtractedMember *rec = (ExtractedMember *)page_alloc(sizeof(ExtractedMember));
    if (!rec)
        return;
    if (size && !(rec->data = give_up_module(&w->engine.out, size))) {
        rec->data = (uint8_t *)page_alloc(size);
        if (!rec->data) {
            page_free(rec);
            return;
        }
        uint32_t n;
        const uint8_t *from = member_bytes(&w->engine.out, &n);
        if (from && n)
            memcpy(rec->data, from, n < size ? n : size);
    }
    memcpy(rec->name, mapped, strlen(mapped) + 1); // at most 255 characters
    rec->size = size;
    link_record(w, rec);
}

// What a header's ZIP64 extra field made of its 32-bit fields.
enum Zip64Result {
    Zip64Absent,  // no ZIP64 block, and no field that needs one
    Zip64Applied, // a ZIP64 block was there; every field that needs it has its real value
    Zip64Refused, // a needed value is missing or beyond 32 bits, or the extra is malformed
};

// The extra field just read for a header that declared `declared` bytes of it (the store
// keeps the previous header's field when a header has none).
static void header_extra(const ArchiveWalk *w, uint32_t declared, const uint8_t **extra,
                         uint32_t *length)
{
    bool here = declared != 0 && w->extra && w->extra_length == declared;
    *extra = here ? w->extra : nullptr;
    *length = here ? declared : 0;
}

// Finds the ZIP64 block (tag 1) among the extra field's tag-length-data blocks: 1 found,
// 0 absent, -1 when a block claims more bytes than the field holds. Fewer than 4 bytes
// left at the end are padding, which some writers leave.
static int find_zip64_block(const uint8_t *extra, uint32_t length, const uint8_t **data,
                            uint32_t *size)
{
    uint32_t at = 0;
    while (length - at >= 4) {
        uint32_t tag = le16(extra + at), n = le16(extra + at + 2);
        if (n > length - at - 4)
            return -1;
        if (tag == ZIP64_TAG) {
            *data = extra + at + 4;
            *size = n;
            return 1;
        }
        at += 4 + n;
    }
    return 0;
}

// Gives the fields that hold 0xFFFFFFFF their values from the header's ZIP64 block. The
// central directory's block holds 8 bytes for each such field, in the order of `fields`
// (uncompressed size, compressed size, local header offset); a local header's block holds
// both sizes whenever it is there (`both_sizes`), at 0 and 8. Only values that fit 32 bits
// are taken: the engine's sizes and offsets are 32 bits wide, and no image handed to us
// can hold more.
static int apply_zip64(const uint8_t *extra, uint32_t length, uint32_t *const *fields, int count,
                       bool both_sizes)
{
    bool needed = false;
    for (int i = 0; i < count; i++)
        needed = needed || *fields[i] == WIDE;
    const uint8_t *block = nullptr;
    uint32_t size = 0;
    int found = find_zip64_block(extra, length, &block, &size);
    if (found < 0)
        return Zip64Refused;
    if (found == 0)
        return needed ? Zip64Refused : Zip64Absent;
    if (both_sizes && needed && size < 16)
        return Zip64Refused;
    uint32_t at = 0;
    for (int i = 0; i < count; i++) {
        if (*fields[i] != WIDE)
            continue;
        if (both_sizes)
            at = 8 * (uint32_t)i;
        if (size < 8 || at > size - 8)
            return Zip64Refused;
        uint64_t value = le64(block + at);
        if (value > 0xFFFFFFFFu)
            return Zip64Refused;
        *fields[i] = (uint32_t)value;
        at += 8;
    }
    return Zip64Applied;
}

// The name of a header: 259 characters at most, the rest skipped (StatusWarning).
static Status read_name(ArchiveWalk *w, uint32_t length)
{
    if (length == 0)
        return StatusOk;
    uint32_t want = length < NAME_BUFFER ? length : NAME_BUFFER - 1;
    uint32_t got = read_bytes(&w->engine.in, (uint8_t *)w->name, want);
    w->name[got] = 0;
    if (got < want || skip_bytes(&w->engine.in, length - want) != StatusOk)
        return StatusEndOfArchive;
    return length > want ? StatusWarning : StatusOk;
}

// The extra field of a header, kept until the next one is read (skipped without memory).
static Status read_extra(ArchiveWalk *w, uint32_t length)
{
    if (length == 0)
        return StatusOk;
    free(w->extra);
    w->extra_length = 0;
    w->extra = (uint8_t *)malloc(length); // at most 65,535 bytes: the field is 16 bits wide
    if (!w->extra)
        return skip_bytes(&w->engine.in, length);
    if (read_bytes(&w->engine.in, w->extra, length) != length)
        return StatusEndOfArchive;
    w->extra_length = length;
    return StatusOk;
}

// A header's signature and its fixed part; false when either is not there.
static bool read_fixed_part(ArchiveWalk *w, const uint8_t *signature, uint8_t *h, uint32_t size)
{
    return read_bytes(&w->engine.in, h, 4) == 4 && memcmp(h, signature, 4) == 0 &&
           read_bytes(&w->engine.in, h, size) == size;
}

static bool read_local_header(ArchiveWalk *w)
{
    uint8_t h[26];
    if (!read_fixed_part(w, LOCAL_SIGNATURE, h, sizeof h))
        return false;
    // Version needed, flags, method, time, date, CRC-32, sizes, name and extra lengths.
    w->local = {le16(h + 2),  le16(h + 4),  le32(h + 10), le32(h + 14),
                le32(h + 18), le16(h + 22), le16(h + 24)};
    return true;
}

// How a central entry is taken (the member table keeps this beside its slots).
enum EntryKind {
    EntrySkipped,
    EntryPlain,
    EntryZip64,        // version 4.5, no ZIP64 block in the central entry
    EntryZip64Central, // version 4.5 with a ZIP64 block in the central entry
};

// One member of the table: its local header, its selection, its extraction and its record.
// Whatever goes wrong here ends this member only.
static void process_member(ArchiveWalk *w, const MemberSlot *slot)
{
    Input *in = &w->engine.in;
    if (!seek_archive(in, slot->local_offset) || !read_local_header(w))
        return;
    // A local header without a name keeps the central entry's name.
    memcpy(w->name, slot->central_name, sizeof w->name);
    if (read_name(w, w->local.name_length) > StatusWarning ||
        read_extra(w, w->local.extra_length) > StatusWarning)
        return;
    // A version 4.5 member is one of ours only when it carries ZIP64 fields (in either
    // header) that fit 32 bits; one that carries none needs something else of 4.5.
    if (slot->kind != EntryPlain) {
        const uint8_t *extra;
        uint32_t length;
        header_extra(w, w->local.extra_length, &extra, &length);
        uint32_t *const sizes[2] = {&w->local.uncompressed_size, &w->local.compressed_size};
        int z = apply_zip64(extra, length, sizes, 2, true);
        if (z == Zip64Refused || (z == Zip64Absent && slot->kind != EntryZip64Central))
            return;
    }

    char mapped[PEXLIN_NAME_MAX + 1];
    if (map_name(w->name, mapped) == 0)
        return;
    if (w->wanted_name && strcmp(mapped, w->wanted_name) != 0)
        return;

    // A streaming archiver writes the member before it knows its CRC and sizes: with
    // general-purpose bit 3 the local header holds zeros, and the central entry the truth.
    if (w->local.general_flags & 8) {
        w->local.crc32 = slot->crc32;
        w->local.compressed_size = slot->compressed_size;
        w->local.uncompressed_size = slot->uncompressed_size;
    }
    // A forged size must not buy a huge allocation: the declared size has to be one the
    // method can produce from the compressed bytes actually present in the image.
    int64_t present = (int64_t)in->archive_size - input_position(in);
    uint64_t compressed = w->local.compressed_size;
    if (present < 0)
        present = 0;
    if (compressed > (uint64_t)present)
        compressed = (uint64_t)present;
    if (w->local.uncompressed_size > largest_output(w->local.method, compressed))
        return;

    MemberHeader h = {w->local.method, w->local.general_flags, w->local.crc32,
                      w->local.compressed_size, w->local.uncompressed_size};
    // Its status tells nobody anything: the record gets what came out, whole or not.
    extract_member(&w->engine, h, mapped);
    make_record(w, mapped);
}

// Takes the central entry just read, or skips it. Version 4.5 entries are taken as far as
// their ZIP64 fields go: the sizes and local header offset of the central entry get their
// real values here, and the local header is judged when the member is processed.
static EntryKind accept_entry(ArchiveWalk *w)
{
    CentralHeader &c = w->central;
    if (c.method > 8 || c.method == 7)
        return EntrySkipped;
    if (c.general_flags & 1) // encrypted
        return EntrySkipped;
    unsigned needed = c.version_needed & 0xFF;
    unsigned needed_host = c.version_needed >> 8;
    unsigned newest = needed_host == 2 ? 43 : 21; // host 2 numbers its versions differently
    if (needed < newest)
        return EntryPlain;
    if (needed != ZIP64_VERSION)
        return EntrySkipped;
    const uint8_t *extra;
    uint32_t length;
    header_extra(w, c.extra_length, &extra, &length);
    uint32_t *const fields[3] = {&c.uncompressed_size, &c.compressed_size, &c.local_offset};
    switch (apply_zip64(extra, length, fields, 3, false)) {
    case Zip64Applied:
        return EntryZip64Central;
    case Zip64Absent:
        return EntryZip64;
    default:
        return EntrySkipped;
    }
}

// Reads one central header (signature, fixed part, name, extra field, comment); false when
// the directory is broken there.
static bool read_central_header(ArchiveWalk *w)
{
    uint8_t h[42];
    if (!read_fixed_part(w, CENTRAL_SIGNATURE, h, sizeof h))
        return false;
    // Version made by and needed, flags, method, time, date, CRC-32, sizes, name, extra and
    // comment lengths, disk, internal and external attributes, local header offset.
    const CentralHeader &c =
        w->central = {le16(h + 2),  le16(h + 4),  le16(h + 6),  le32(h + 12), le32(h + 16),
                      le32(h + 20), le16(h + 24), le16(h + 26), le16(h + 28), le32(h + 38)};
    w->name[0] = 0; // an entry without a name must not inherit the previous one
    return read_name(w, c.name_length) <= StatusWarning &&
           read_extra(w, c.extra_length) <= StatusWarning &&
           skip_bytes(&w->engine.in, c.comment_length) == StatusOk;
}

// The central directory in groups of up to 64 accepted entries; a broken entry ends the
// walk after the members collected before it.
static void walk_directory(ArchiveWalk *w)
{
    Input *in = &w->engine.in;
    if (!seek_archive(in, w->end.directory_offset))
        return;
    uint32_t remaining = w->end.total_entries;
    bool broken = false;
    while (remaining > 0 && !broken) {
        w->member_count = 0;
        while (remaining > 0 && w->member_count < GROUP_SIZE) {
            if (!read_central_header(w)) {
                broken = true;
                break;
            }
            remaining--;
            EntryKind kind = accept_entry(w);
            if (kind == EntrySkipped)
                continue;
            const CentralHeader &c = w->central;
            MemberSlot &m = w->members[w->member_count++];
            m.local_offset = c.local_offset;
            m.crc32 = c.crc32;
            m.compressed_size = c.compressed_size;
            m.uncompressed_size = c.uncompressed_size;
            m.kind = (uint8_t)kind;
            memcpy(m.central_name, w->name, sizeof m.central_name);
        }
        int64_t resume = input_position(in);
        for (uint32_t i = 0; i < w->member_count; i++)
            process_member(w, &w->members[i]);
        if (!broken && remaining > 0 && !seek_archive(in, resume))
            broken = true;
    }
}

// Takes back the records of a call that ends without a module: nobody could reach them.
static void drop_records(ArchiveWalk *w)
{
    ExtractedMember *rec = w->first_record;
    while (rec) {
        ExtractedMember *next = rec->next;
        page_free(rec->data);
        page_free(rec);
        rec = next;
    }
}

static void release_walk(ArchiveWalk *w)
{
    release_buffers(&w->engine.out);
    free(w->extra);
    page_free(w);
}

ExtractedMember *process_archive(const uint8_t *archive, uint32_t size,
                                 ExtractedMember *append_after, const char *wanted_name)
{
    if (!archive)
        return nullptr;
    ArchiveWalk *w = (ArchiveWalk *)page_alloc(sizeof(ArchiveWalk));
    if (!w)
        return nullptr;
    input_open(&w->engine.in, archive, size);
    if (!recognise(w)) {
        release_walk(w);
        return nullptr;
    }
    // The walk starts from a fresh input: nothing of the search's blocks is reused.
    w->engine.in.block_length = -1;
    w->engine.in.left = 0;
    w->wanted_name = wanted_name;
    w->chain_end = append_after;
    ExtractedMember *saved_next = append_after ? append_after->next : nullptr;
    walk_directory(w);

    ExtractedMember *result = w->first_record;
    if (!w->engine.out.has_module && result) {
        drop_records(w);
        if (append_after)
            append_after->next = saved_next;
        result = nullptr;
    }
    release_walk(w);
    return result;
}
