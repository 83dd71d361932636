// The load behind VIRN_LoadModule: a private copy, an empty catalog, the eleven
// loaders in their fixed order, and a catalog shrunk to the entries stored.
#include "module.h"
#include "page_alloc.h"

#include <string.h>

typedef void (*Loader)(LoadedModule *);

// XM comes first so that an XM which happens to carry a MOD tag at 1080 stays an XM;
// MOD, whose signature is weakest, comes last. UMX hands its embedded module to the
// S3M, XM, IT or MOD loader itself.
static const Loader LoaderOrder[] = {
    load_xm,  load_it,  load_s3m, load_stm, load_ult, load_ptm,
    load_psm, load_umx, load_dbm, load_mtm, load_mod,
};

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

    for (Loader loader : LoaderOrder)
        loader(m);

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
