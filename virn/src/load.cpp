// The load behind VIRN_LoadModule: a private copy, an empty catalog, the formats in
// their fixed order, and a catalog shrunk to the entries stored.
#include "formats.h"
#include "loader_toolkit.h"
#include "page_alloc.h"

#include <string.h>

// XM comes first so that an XM which happens to carry a MOD tag at 1080 stays an XM;
// MOD, whose signature is weakest, comes last. The UMX wrapper comes after every format
// with a signature at a fixed offset and hands its embedded module on itself.
static const ModuleFormat *const LoadOrder[] = {
    &XmFormat,  &ItFormat,  &S3mFormat, &StmFormat, &UltFormat, &PtmFormat,
    &PsmFormat, &UmxFormat, &DbmFormat, &MtmFormat, &ModFormat,
};

const ModuleFormat *format_claiming(const ByteView &file)
{
    for (const ModuleFormat *format : LoadOrder)
        if ((!format->mark || has_tag(file, format->markOffset, format->mark)) &&
            (!format->test || format->test(file)))
            return format;
    return nullptr;
}

// A format's module type stands only once it has an entry: a module without samples
// is claimed, but does not load.
void claim_module(LoadedModule *m, const ModuleFormat &format)
{
    if (format.titleLength)
        copy_song_name(m, format.titleOffset, format.titleLength);
    format.load(m, module_view(m));
    m->recognised = 1;
    if (format.moduleType && m->entryCount)
        m->moduleType = format.moduleType;
}

void release_module(LoadedModule *m)
{
    page_free(m->catalog);
    page_free(m->copyBase);
    m->catalog = nullptr;
    m->copyBase = nullptr;
    m->fileCopy = nullptr;
    m->fileLength = 0;
    m->copyLength = 0;
}

// Replaces the 4000-slot table by one of exactly entryCount entries.
static bool shrink_catalog(LoadedModule *m)
{
    if (m->entryCount > CATALOG_CAPACITY)
        m->entryCount = CATALOG_CAPACITY;
    if (m->sampleCount > m->entryCount)
        m->sampleCount = m->entryCount;
    size_t bytes = (size_t)m->entryCount * sizeof(CatalogEntry);
    CatalogEntry *table = (CatalogEntry *)page_alloc(bytes);
    if (!table)
        return false;
    memcpy(table, m->catalog, bytes);
    page_free(m->catalog);
    m->catalog = table;
    return true;
}

bool load_module(LoadedModule *m, const void *file, uint32_t length)
{
    m->recognised = 0;
    m->entryCount = 0;
    m->sampleCount = 0;
    m->moduleType = 0;
    memset(m->songName, 0, sizeof m->songName);

    m->copyBase = (uint8_t *)page_alloc(length);
    m->catalog = (CatalogEntry *)page_alloc(CATALOG_CAPACITY * sizeof(CatalogEntry));
    if (!m->copyBase || !m->catalog || (length && !file)) {
        release_module(m);
        return false;
    }
    if (length)
        memcpy(m->copyBase, file, length);
    m->copyLength = length;
    m->fileCopy = m->copyBase;
    m->fileLength = length;

    const ModuleFormat *format = format_claiming(module_view(m));
    if (format)
        claim_module(m, *format);

    if (m->entryCount > CATALOG_CAPACITY)
        m->entryCount = CATALOG_CAPACITY;
    for (uint32_t i = 0; i < m->entryCount; i++)
        bound_entry(&m->catalog[i]);

    if (m->moduleType == 0 || !shrink_catalog(m)) {
        release_module(m);
        return false;
    }
    return true;
}
