#include "packed_list.h"
#include "entry_names.h"

#include <stdlib.h>
#include <string.h>

// Records the archive beside a record; a record that cannot be recorded (no memory) stays
// in the chain, so it is still released, but cannot be found.
static void add_origin(PackedList *list, ExtractedMember *record, const char *archive)
{
    if (list->count == list->capacity) {
        size_t capacity = list->capacity ? 2 * list->capacity : 16;
        void *grown = realloc(list->origins, capacity * sizeof *list->origins);
        if (!grown)
            return;
        list->origins = (PackedOrigin *)grown;
        list->capacity = capacity;
    }
    size_t n = strlen(archive) + 1;
    char *copy = (char *)malloc(n);
    if (!copy)
        return;
    memcpy(copy, archive, n);
    list->origins[list->count].record = record;
    list->origins[list->count].archive = copy;
    list->count++;
}

// Takes the records the library linked behind the old tail (or, for an empty list, the
// chain it returned) into the list. The library links them even when it returns null
// for a call that made no module, so the old tail's `next` is looked at in any case.
static void adopt(PackedList *list, ExtractedMember *oldTail, ExtractedMember *first,
                  const char *archive)
{
    ExtractedMember *from = oldTail ? oldTail->next : first;
    if (!from)
        return;
    if (!list->head)
        list->head = from;
    for (ExtractedMember *r = from; r; r = r->next) {
        add_origin(list, r, archive);
        list->tail = r;
    }
}

// The record's name as a string only when the library terminated it inside its field.
static bool name_is(const ExtractedMember *r, const char *name)
{
    return memchr(r->name, 0, sizeof r->name) != nullptr && strcmp(r->name, name) == 0;
}

// One pass of the archive library over a file (every member, or the one wanted): the
// records it made join the list. The first of them; null when the file cannot be read or
// holds nothing that was asked for.
static ExtractedMember *process_file(PackedList *list, const ArchiveAccess *access,
                                     const char *file, const char *wanted)
{
    uint32_t size = 0;
    uint8_t *image = access->read_image(file, &size);
    if (!image)
        return nullptr;
    ExtractedMember *oldTail = list->tail;
    ExtractedMember *first = access->process(image, size, oldTail, wanted);
    access->release_image(image);
    adopt(list, oldTail, first, file);
    return first;
}

bool expand_archive(PackedList *list, const ArchiveAccess *access, const char *file)
{
    ExtractedMember *first = process_file(list, access, file, nullptr);
    if (!first)
        return false;
    for (ExtractedMember *r = first; r; r = r->next) {
        char entry[PATH_BUFFER];
        // An entry longer than the host's names could never be played back: not offered.
        if (memchr(r->name, 0, sizeof r->name) && form_entry(entry, file, r->name))
            access->enqueue(entry);
    }
    return true;
}

ExtractedMember *find_member(const PackedList *list, const char *entry)
{
    char archive[PATH_BUFFER], member[PATH_BUFFER];
    if (!split_entry(entry, archive, member))
        return nullptr;
    for (size_t i = 0; i < list->count; i++) {
        const PackedOrigin *o = &list->origins[i];
        if (name_is(o->record, member) && same_path(o->archive, archive))
            return o->record;
    }
    return nullptr;
}

ExtractedMember *extract_on_demand(PackedList *list, const ArchiveAccess *access, const char *entry)
{
    char archive[PATH_BUFFER], member[PATH_BUFFER];
    if (!split_entry(entry, archive, member) || !member[0])
        return nullptr;
    for (ExtractedMember *r = process_file(list, access, archive, member); r; r = r->next)
        if (name_is(r, member))
            return r;
    return nullptr;
}

ExtractedMember *member_record(PackedList *list, const ArchiveAccess *access, const char *entry)
{
    ExtractedMember *r = find_member(list, entry);
    return r ? r : extract_on_demand(list, access, entry);
}

bool load_image(PackedList *list, const ArchiveAccess *access, const char *name, ModuleImage *image)
{
    image->bytes = nullptr;
    image->size = 0;
    image->owned = false;
    if (!name || !name[0])
        return false;
    if (is_packed_entry(name)) {
        ExtractedMember *r = member_record(list, access, name);
        if (!r || !r->data || r->size == 0)
            return false;
        image->bytes = r->data;
        image->size = r->size;
        return true;
    }
    uint32_t size = 0;
    uint8_t *bytes = access->read_image(name, &size);
    if (!bytes)
        return false;
    image->bytes = bytes;
    image->size = size;
    image->owned = true;
    return true;
}

void release_image(const ArchiveAccess *access, ModuleImage *image)
{
    if (image->owned && image->bytes)
        access->release_image(image->bytes);
    image->bytes = nullptr;
    image->size = 0;
    image->owned = false;
}

void release_list(PackedList *list, const ArchiveAccess *access)
{
    for (ExtractedMember *r = list->head; r;) {
        ExtractedMember *next = r->next;
        access->release_record(r);
        r = next;
    }
    for (size_t i = 0; i < list->count; i++)
        free(list->origins[i].archive);
    free(list->origins);
    memset(list, 0, sizeof *list);
}
