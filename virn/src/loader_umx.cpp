// UMX packages (Unreal music): a package file that carries one IT, S3M, XM or MOD
// module. The wrapper has no catalog of its own: it checks that the file looks like a
// package, finds the embedded module's mark in a fixed window near the start, narrows
// the view to that module and hands it to the module's own loader. The view only
// moves inside the copy: copyBase and copyLength keep the whole block, which is
// released whole and which sample data is clipped to.
#include "module.h"

enum {
    UMX_MIN_LENGTH = 2048,
    UMX_EXPORT_OFFSET = 24,
    UMX_IMPORT_OFFSET = 32,
    UMX_EXPORT_NEAR_END = 512, // the export table lies within the last 512 bytes
    UMX_EXPORT_BEFORE_END = 16,
    UMX_SEARCH_FIRST = 64,
    UMX_SEARCH_LAST = 1279,
    UMX_S3M_MARK = 44,  // "SCRM" lies 44 bytes into an S3M
    UMX_MOD_TAG = 1080, // "M.K." lies 1080 bytes into a MOD
};

typedef void (*InnerLoader)(LoadedModule *);

// True when the file has the shape of a package: long enough, the import table inside
// it, the export table near its end (all unsigned 32-bit comparisons).
static bool umx_is_package(const ByteView &v)
{
    if (v.size < UMX_MIN_LENGTH)
        return false;
    uint32_t exports = rd32le(v, UMX_EXPORT_OFFSET);
    return rd32le(v, UMX_IMPORT_OFFSET) < v.size && exports <= v.size - UMX_EXPORT_BEFORE_END &&
           exports >= v.size - UMX_EXPORT_NEAR_END;
}

void load_umx(LoadedModule *m)
{
    if (m->recognised)
        return;
    ByteView v = module_view(m);
    if (!umx_is_package(v))
        return;

    // The first position that holds a mark wins; at one position the marks are tried
    // in this order. The window ends early enough that every file that passed the
    // package test holds the longest mark at its last position.
    for (uint32_t i = UMX_SEARCH_FIRST; i <= UMX_SEARCH_LAST; i++) {
        uint32_t start;
        InnerLoader inner;
        if (has_tag(v, i, "IMPM")) {
            start = i;
            inner = load_it;
        } else if (has_tag(v, i, "SCRM")) {
            start = i - UMX_S3M_MARK;
            inner = load_s3m;
        } else if (has_tag(v, i, "Extended Module")) {
            start = i;
            inner = load_xm;
        } else if (i > UMX_MOD_TAG && has_tag(v, i, "M.K.")) {
            start = i - UMX_MOD_TAG;
            inner = load_mod;
        } else {
            continue;
        }
        const uint8_t *whole = m->fileCopy;
        uint32_t wholeLength = m->fileLength;
        m->fileCopy += start;
        m->fileLength -= start;
        inner(m);
        // The inner loader always claims what its mark announced; should it not,
        // the later loaders get the whole file back.
        if (!m->recognised) {
            m->fileCopy = whole;
            m->fileLength = wholeLength;
        }
        return;
    }
}
