// Packed modules: the chain of archive members the plug-in has extracted (the PackedList),
// the playlist entries made from an archive, and the module images that Play and the
// information calls load. Portable: everything that touches the system (reading a file,
// the archive library, releasing its records, the host's playlist) goes through an
// ArchiveAccess table, which the Windows binding fills and the tests replace.
#ifndef PLUGIN_PACKED_LIST_H
#define PLUGIN_PACKED_LIST_H

#include <stddef.h>
#include <stdint.h>

#include "pexlin.h"

struct ArchiveAccess {
    // The whole file in a fresh block (released with release_image); null when the file
    // cannot be read or is empty.
    uint8_t *(*read_image)(const char *path, uint32_t *size);
    void (*release_image)(uint8_t *image);
    // One call of the archive library's entry point; null also when the library or its
    // entry point cannot be loaded (then the file is no packed module).
    ExtractedMember *(*process)(const uint8_t *archive, uint32_t size, ExtractedMember *appendAfter,
                                const char *wantedName);
    // Releases one record and its data block.
    void (*release_record)(ExtractedMember *record);
    // Adds an entry to the host's playlist.
    void (*enqueue)(const char *entryName);
};

// Where a record came from: the members of two archives may have the same name.
struct PackedOrigin {
    ExtractedMember *record;
    char *archive;
};

struct PackedList {
    ExtractedMember *head; // chain in the order the records were made
    ExtractedMember *tail;
    PackedOrigin *origins; // one per record, in chain order
    size_t count;
    size_t capacity;
};

// A module file in memory. `owned`: a block of its own (a plain file) that release_image
// frees; otherwise it belongs to a record of the list.
struct ModuleImage {
    uint8_t *bytes;
    uint32_t size; // 0: no image
    bool owned;
};

// Lists an archive's members: every new record is added to the list and enqueued as
// "archive<member". False when the file cannot be read or is no packed module.
bool expand_archive(PackedList *list, const ArchiveAccess *access, const char *file);

// The record of an entry "archive<member": same member name and same archive (file
// names compared without regard to case). Null when none, or for a malformed entry.
ExtractedMember *find_member(const PackedList *list, const char *entry);

// Extracts the entry's member from its archive again and adds it to the list.
ExtractedMember *extract_on_demand(PackedList *list, const ArchiveAccess *access,
                                   const char *entry);

// The record of an entry, found or extracted. Null when neither works.
ExtractedMember *member_record(PackedList *list, const ArchiveAccess *access, const char *entry);

// A packed entry's record bytes, or a plain file's image. False (image empty) on failure.
bool load_image(PackedList *list, const ArchiveAccess *access, const char *name,
                ModuleImage *image);
void release_image(const ArchiveAccess *access, ModuleImage *image);

// Releases every record and forgets them.
void release_list(PackedList *list, const ArchiveAccess *access);

#endif
