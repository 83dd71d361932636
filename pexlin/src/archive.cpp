// Recognition of a ZIP image, the central directory walk and member selection.
#include "archive.h"

#include <string.h>

#include "names.h"
#include "pages.h"

static const uint8_t LOCAL_SIGNATURE[4] = {'P', 'K', 3, 4};
static const uint8_t CENTRAL_SIGNATURE[4] = {'P', 'K', 1, 2};
static const uint8_t END_SIGNATURE[4] = {'P', 'K', 5, 6};
static const uint8_t ZIP64_END_SIGNATURE[4] = {'P', 'K', 6, 6};
static const uint8_t ZIP64_LOCATOR_SIGNATURE[4] = {'P', 'K', 6, 7};

enum {
    END_RECORD_SIZE = 22,
    END_SEARCH_SPAN = 22 + 65535, // the record and the longest archive comment
    ZIP64_LOCATOR_SIZE = 20,
    ZIP64_END_SIZE = 56, // the ZIP64 end record without its extensible data
    ZIP64_TAG = 0x0001,  // extra-field tag of the ZIP64 extended information
    ZIP64_VERSION = 45,  // version needed by members that may use ZIP64 fields
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
static uint8_t search_byte(const UnzipState *s, int i)
{
    return i < INPUT_BLOCK ? s->input_buffer[i] : s->hold[i - INPUT_BLOCK];
}

// Scans the block positions [first, last] backwards for the signature; `base` is the
// block's archive offset. Positions outside [lowest, highest] are never matches.
static int64_t scan_block(const UnzipState *s, int64_t base, int first, int last, int64_t lowest,
                          int64_t highest)
{
    for (int i = last; i >= first; i--) {
        int64_t at = base + i;
        if (at > highest)
            continue;
        if (at < lowest)
            break;
        if (search_byte(s, i) == 'P' && search_byte(s, i + 1) == 'K' &&
            search_byte(s, i + 2) == 5 && search_byte(s, i + 3) == 6)
            return at;
    }
    return -1;
}

static void keep_hold(UnzipState *s)
{
    memcpy(s->hold, s->input_buffer, 3);
}

int64_t find_end_record(UnzipState *s)
{
    int64_t size = s->search_length;
    if (!s->archive || size < END_RECORD_SIZE)
        return -1;
    // The search only stops where the whole record fits, and reaches no further back than
    // the longest comment allows.
    int64_t highest = size - END_RECORD_SIZE;
    int64_t lowest = size > END_SEARCH_SPAN ? size - END_SEARCH_SPAN : 0;
    memset(s->hold, 0, sizeof s->hold);

    if (size <= INPUT_BLOCK) {
        s->read_position = 0;
        uint32_t got = read_block(s, s->input_buffer, (uint32_t)size);
        return scan_block(s, 0, 0, (int)got - 1, lowest, highest);
    }

    // The partial block at the end first, then whole blocks aligned on 512 from the start.
    int64_t tail = size % INPUT_BLOCK;
    int64_t base = size - tail;
    if (tail > 0) {
        s->read_position = (uint32_t)base;
        read_block(s, s->input_buffer, (uint32_t)tail);
        int64_t at = scan_block(s, base, 0, (int)tail - 1, lowest, highest);
        if (at >= 0)
            return at;
        keep_hold(s);
    }
    while (base > 0 && base + INPUT_BLOCK > lowest) {
        base -= INPUT_BLOCK;
        s->read_position = (uint32_t)base;
        if (read_block(s, s->input_buffer, INPUT_BLOCK) < INPUT_BLOCK)
            return -1;
        int64_t at = scan_block(s, base, 0, INPUT_BLOCK - 1, lowest, highest);
        if (at >= 0)
            return at;
        keep_hold(s);
    }
    return -1;
}

bool read_end_record(UnzipState *s, int64_t offset)
{
    uint8_t r[END_RECORD_SIZE];
    if (!seek_archive(s, offset) || read_bytes(s, r, sizeof r) != sizeof r)
        return false;
    if (memcmp(r, END_SIGNATURE, 4) != 0)
        return false;
    s->end.this_disk = le16(r + 4);
    s->end.directory_disk = le16(r + 6);
    s->end.entries_here = le16(r + 8);
    s->end.total_entries = le16(r + 10);
    s->end.directory_size = le32(r + 12);
    s->end.directory_offset = le32(r + 16);
    s->end.comment_length = le16(r + 20);
    return true;
}

// A ZIP64 end record and its locator between the central directory and the end record.
// Info-ZIP writes them whenever it could not know the sizes beforehand (input from a pipe),
// even when every value fits the end record. They are taken when they fill the gap exactly
// (directory, ZIP64 end record, locator, end record, nothing in between), name disk 0 only,
// and their values fit the end record's fields; their values then replace the end record's.
// Anything else leaves the gap unexplained, and the image is no archive.
static bool read_zip64_end(UnzipState *s, int64_t end_at)
{
    uint8_t loc[ZIP64_LOCATOR_SIZE];
    int64_t locator_at = end_at - ZIP64_LOCATOR_SIZE;
    if (locator_at < ZIP64_END_SIZE || !seek_archive(s, locator_at) ||
        read_bytes(s, loc, sizeof loc) != sizeof loc ||
        memcmp(loc, ZIP64_LOCATOR_SIGNATURE, 4) != 0)
        return false;
    uint64_t record_at = le64(loc + 8);
    if (le32(loc + 4) != 0 || le32(loc + 16) > 1 ||
        record_at > (uint64_t)(locator_at - ZIP64_END_SIZE))
        return false;
    uint8_t r[ZIP64_END_SIZE];
    if (!seek_archive(s, (int64_t)record_at) || read_bytes(s, r, sizeof r) != sizeof r ||
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
    s->end.entries_here = (uint16_t)entries_here;
    s->end.total_entries = (uint16_t)total_entries;
    s->end.directory_size = (uint32_t)directory_size;
    s->end.directory_offset = (uint32_t)directory_offset;
    return true;
}

// Recognition: an end record near the end, on disk 0, with the central directory right in
// front of it (or in front of a ZIP64 end record and locator that fit the end record).
// Anything else (a split archive, bytes in front of the archive, a truncated one) is not an
// archive.
static bool recognise(UnzipState *s, int64_t *end_offset)
{
    int64_t at = find_end_record(s);
    if (at < 0 || !read_end_record(s, at))
        return false;
    if (s->end.this_disk != 0)
        return false;
    int64_t leading = at - ((int64_t)s->end.directory_offset + (int64_t)s->end.directory_size);
    if (leading != 0 && !read_zip64_end(s, at))
        return false;
    *end_offset = at;
    return true;
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

static void link_record(UnzipState *s, ExtractedMember *rec)
{
    if (s->first_pending) {
        s->first_record = rec;
        s->first_pending = 0;
    }
    if (s->chain_end)
        s->chain_end->next = rec;
    s->chain_end = rec;
}

// One record per extraction attempt: the member's own bytes when it was extracted (as far
// as they came out), zeros elsewhere. Never copies beyond the filled part of a buffer.
static void make_record(UnzipState *s, const char *mapped)
{
    uint32_t size = s->local.uncompressed_size;
    ExtractedMember *rec = (ExtractedMember *)pages_alloc(sizeof(ExtractedMember));
    if (!rec)
        return;
    if (size) {
        rec->data = (uint8_t *)pages_alloc(size);
        if (!rec->data) {
            pages_free(rec);
            return;
        }
    }
    if (s->member_opened) {
        const uint8_t *from = s->text_mode ? s->text : s->output;
        uint32_t filled = s->text_mode ? s->text_length : s->output_length;
        uint32_t n = s->emitted_count;
        if (n > size)
            n = size;
        if (n > filled - s->member_start)
            n = filled - s->member_start;
        if (from && n)
            memcpy(rec->data, from + s->member_start, n);
    }
    memcpy(rec->name, mapped, strlen(mapped) + 1); // at most 255 characters
    rec->size = size;
    link_record(s, rec);
}

// What a header's ZIP64 extra field made of its 32-bit fields.
enum Zip64Result {
    Zip64Absent,  // no ZIP64 block, and no field that needs one
    Zip64Applied, // a ZIP64 block was there; every field that needs it has its real value
    Zip64Refused, // a needed value is missing or beyond 32 bits, or the extra is malformed
};

// The extra field just read for a header that declared `declared` bytes of it (the store
// keeps the previous header's field when a header has none).
static void header_extra(const UnzipState *s, uint32_t declared, const uint8_t **extra,
                         uint32_t *length)
{
    bool here = declared != 0 && s->extra && s->extra_length == declared;
    *extra = here ? s->extra : nullptr;
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

static bool read_local_header(UnzipState *s, int *status)
{
    uint8_t h[26];
    if (read_bytes(s, h, 4) != 4 || memcmp(h, LOCAL_SIGNATURE, 4) != 0) {
        *status = raise_status(*status, StatusBadFormat);
        return false;
    }
    if (read_bytes(s, h, 26) != 26) {
        *status = raise_status(*status, StatusEndOfArchive);
        return false;
    }
    LocalHeader &l = s->local;
    l.version_needed = le16(h);
    l.general_flags = le16(h + 2);
    l.method = le16(h + 4);
    l.time = le16(h + 6);
    l.date = le16(h + 8);
    l.crc32 = le32(h + 10);
    l.compressed_size = le32(h + 14);
    l.uncompressed_size = le32(h + 18);
    l.name_length = le16(h + 22);
    l.extra_length = le16(h + 24);
    return true;
}

// How a central entry is taken (the member table keeps this beside its slots).
enum EntryKind {
    EntrySkipped,
    EntryPlain,
    EntryZip64,        // version 4.5, no ZIP64 block in the central entry
    EntryZip64Central, // version 4.5 with a ZIP64 block in the central entry
};

static void process_member(UnzipState *s, const MemberSlot *slot, int kind, int *status)
{
    if (!seek_archive(s, slot->local_offset)) {
        *status = raise_status(*status, StatusBadFormat);
        return;
    }
    if (!read_local_header(s, status))
        return;
    // A local header without a name keeps the central entry's name.
    memcpy(s->name, slot->central_name, sizeof s->name);
    int r = read_name(s, s->local.name_length);
    *status = raise_status(*status, r);
    if (r > StatusWarning)
        return;
    r = read_extra(s, s->local.extra_length);
    *status = raise_status(*status, r);
    if (r > StatusWarning)
        return;
    // A version 4.5 member is one of ours only when it carries ZIP64 fields (in either
    // header) that fit 32 bits; one that carries none needs something else of 4.5.
    if (kind != EntryPlain) {
        const uint8_t *extra;
        uint32_t length;
        header_extra(s, s->local.extra_length, &extra, &length);
        uint32_t *const sizes[2] = {&s->local.uncompressed_size, &s->local.compressed_size};
        int z = apply_zip64(extra, length, sizes, 2, true);
        if (z == Zip64Refused || (z == Zip64Absent && kind != EntryZip64Central)) {
            *status = raise_status(*status, StatusWarning);
            return;
        }
    }

    char mapped[PEXLIN_NAME_MAX + 1];
    if (map_name(s->name, mapped) == 0) {
        *status = raise_status(*status, StatusError);
        return;
    }
    if (s->wanted_name && strcmp(mapped, s->wanted_name) != 0)
        return;
    // The mapped name decides the output buffer; open_output reads it from s->name.
    memcpy(s->name, mapped, strlen(mapped) + 1);

    // A streaming archiver writes the member before it knows its CRC and sizes: with
    // general-purpose bit 3 the local header holds zeros, and the central entry the truth.
    if (s->local.general_flags & 8) {
        s->local.crc32 = slot->crc32;
        s->local.compressed_size = slot->compressed_size;
        s->local.uncompressed_size = slot->uncompressed_size;
    }
    // A forged size must not buy a huge allocation: the declared size has to be one the
    // method can produce from the compressed bytes actually present in the image.
    int64_t present = (int64_t)s->archive_size - archive_position(s);
    uint64_t compressed = s->local.compressed_size;
    if (present < 0)
        present = 0;
    if (compressed > (uint64_t)present)
        compressed = (uint64_t)present;
    if (s->local.uncompressed_size > largest_output(s->local.method, compressed)) {
        *status = raise_status(*status, StatusWarning);
        return;
    }

    s->compressed_left = s->local.compressed_size;
    s->uncompressed_size = s->local.uncompressed_size;
    *status = raise_status(*status, extract_member(s));
    make_record(s, mapped);
}

// Takes the central entry just read, or skips it. Version 4.5 entries are taken as far as
// their ZIP64 fields go: the sizes and local header offset of the central entry get their
// real values here, and the local header is judged when the member is processed.
static int accept_entry(UnzipState *s)
{
    CentralHeader &c = s->central;
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
    header_extra(s, c.extra_length, &extra, &length);
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

// Reads one central header (signature, fixed part, name, extra field, comment).
static int read_central_header(UnzipState *s)
{
    uint8_t h[42];
    uint32_t got = read_bytes(s, h, 4);
    if (got < 4)
        return StatusEndOfArchive;
    if (memcmp(h, CENTRAL_SIGNATURE, 4) != 0)
        return StatusBadFormat;
    if (read_bytes(s, h, 42) != 42)
        return StatusEndOfArchive;
    CentralHeader &c = s->central;
    c.version_made_by = le16(h);
    c.version_needed = le16(h + 2);
    c.general_flags = le16(h + 4);
    c.method = le16(h + 6);
    c.time = le16(h + 8);
    c.date = le16(h + 10);
    c.crc32 = le32(h + 12);
    c.compressed_size = le32(h + 16);
    c.uncompressed_size = le32(h + 20);
    c.name_length = le16(h + 24);
    c.extra_length = le16(h + 26);
    c.comment_length = le16(h + 28);
    c.disk_start = le16(h + 30);
    c.internal_attributes = le16(h + 32);
    c.external_attributes = le32(h + 34);
    c.local_offset = le32(h + 38);
    s->name[0] = 0; // an entry without a name must not inherit the previous one
    int status = read_name(s, c.name_length);
    if (status > StatusWarning)
        return status;
    int r = read_extra(s, c.extra_length);
    if (r > StatusWarning)
        return r;
    r = skip_field(s, c.comment_length);
    if (r > StatusWarning)
        return r;
    return status;
}

static int walk_directory(UnzipState *s)
{
    int status = StatusOk;
    bool skipped = false;
    if (!seek_archive(s, s->end.directory_offset))
        return StatusBadFormat;
    uint32_t remaining = s->end.total_entries;
    bool broken = false;
    int64_t resume = archive_position(s);
    uint8_t kinds[GROUP_SIZE]; // EntryKind of each slot of the member table
    while (remaining > 0 && !broken) {
        s->member_count = 0;
        while (remaining > 0 && s->member_count < GROUP_SIZE) {
            int r = read_central_header(s);
            status = raise_status(status, r);
            if (r > StatusWarning) {
                broken = true;
                break;
            }
            remaining--;
            int kind = accept_entry(s);
            if (kind == EntrySkipped) {
                skipped = true;
                continue;
            }
            const CentralHeader &c = s->central;
            kinds[s->member_count] = (uint8_t)kind;
            MemberSlot &m = s->members[s->member_count++];
            m.local_offset = c.local_offset;
            m.crc32 = c.crc32;
            m.compressed_size = c.compressed_size;
            m.uncompressed_size = c.uncompressed_size;
            m.host = (uint8_t)((c.version_made_by >> 8) > 10 ? 10 : c.version_made_by >> 8);
            m.encrypted = c.general_flags & 1;
            m.has_descriptor = (c.general_flags >> 3) & 1;
            m.text = c.internal_attributes & 1;
            memcpy(m.central_name, s->name, sizeof m.central_name);
        }
        resume = archive_position(s);
        for (uint32_t i = 0; i < s->member_count; i++)
            process_member(s, &s->members[i], kinds[i], &status);
        if (!broken && remaining > 0 && !seek_archive(s, resume)) {
            status = raise_status(status, StatusBadFormat);
            broken = true;
        }
    }
    if (!broken) {
        uint8_t sig[4];
        // The directory ends at the end record, or at a ZIP64 end record in front of it.
        if (!seek_archive(s, resume) || read_bytes(s, sig, 4) != 4 ||
            (memcmp(sig, END_SIGNATURE, 4) != 0 && memcmp(sig, ZIP64_END_SIGNATURE, 4) != 0)) {
            if (status == StatusOk)
                status = StatusWarning;
        }
    }
    if (skipped && status == StatusOk)
        status = StatusWarning;
    return status;
}

// Takes back the records of a call that ends without a module: nobody could reach them.
static void drop_records(UnzipState *s)
{
    ExtractedMember *rec = s->first_record;
    while (rec) {
        ExtractedMember *next = rec->next;
        pages_free(rec->data);
        pages_free(rec);
        rec = next;
    }
    s->first_record = nullptr;
}

ExtractedMember *process_archive(const uint8_t *archive, uint32_t size,
                                 ExtractedMember *append_after, const char *wanted_name,
                                 int *walk_status)
{
    if (walk_status)
        *walk_status = StatusBadFormat;
    if (!archive)
        return nullptr;
    UnzipState *s = state_create(archive, size);
    if (!s)
        return nullptr;
    int64_t end_offset;
    if (!recognise(s, &end_offset)) {
        state_destroy(s);
        return nullptr;
    }
    // The walk starts from a fresh input: nothing of the search's blocks is reused.
    s->block_length = -1;
    s->input_count = 0;
    s->extension_list = EXTENSION_LIST;
    s->wanted_name = wanted_name;
    s->append_after = append_after;
    s->chain_end = append_after;
    ExtractedMember *saved_next = append_after ? append_after->next : nullptr;
    (void)end_offset;

    int status = walk_directory(s);
    if (walk_status)
        *walk_status = status;

    ExtractedMember *result = s->first_record;
    if (!s->output && result) {
        drop_records(s);
        if (append_after)
            append_after->next = saved_next;
        result = nullptr;
    }
    state_destroy(s);
    return result;
}
