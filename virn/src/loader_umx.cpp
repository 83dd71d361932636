// UMX packages (Unreal music): a package file that carries one IT, S3M, XM or MOD
// module. The wrapper has no catalog of its own: it checks that the file looks like a
// package, finds the embedded module's mark in a fixed window near the start, narrows
// the view to that module and hands it to the module's own loader. The view only
// moves inside the copy: copyBase and copyLength keep the whole block, which is
// released whole and which sample data is clipped to.
#include "formats.h"

enum {
    UMX_MIN_LENGTH = 2048,
    UMX_EXPORT_OFFSET = 24,
    UMX_IMPORT_OFFSET = 32,
    UMX_EXPORT_NEAR_END = 512, // the export table lies within the last 512 bytes
    UMX_EXPORT_BEFORE_END = 16,
    UMX_SEARCH_FIRST = 64,
    UMX_SEARCH_LAST = 1279,
};

// The marks of the modules a package may carry, in the order they are tried at one
// position, with where the mark lies in its module.
struct UmxMark {
    const char *tag;
    uint32_t inModule;
    uint32_t firstPosition; // a mark before this cannot end a module inside the file
    const ModuleFormat *format;
};
static const UmxMark UmxMarks[] = {
    {"IMPM", 0, 0, &ItFormat},
    {"SCRM", 44, 0, &S3mFormat},
    {"Extended Module", 0, 0, &XmFormat},
    {"M.K.", 1080, 1081, &ModFormat}, // a MOD's tag, 1080 bytes in
};

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

// The first position that holds a mark wins; at one position the marks are tried in
// table order. The window ends early enough that every file that passed the package
// test holds the longest mark at its last position.
bool umx_find_module(const ByteView &v, EmbeddedModule *found)
{
    if (!umx_is_package(v))
        return false;
    for (uint32_t i = UMX_SEARCH_FIRST; i <= UMX_SEARCH_LAST; i++) {
        for (const UmxMark &mark : UmxMarks) {
            if (i >= mark.firstPosition && has_tag(v, i, mark.tag)) {
                found->start = i - mark.inModule;
                found->format = mark.format;
                return true;
            }
        }
    }
    return false;
}

static bool test_umx(const ByteView &v)
{
    EmbeddedModule found;
    return umx_find_module(v, &found);
}

// The embedded module's mark lies where its own format's test looks, so that test
// passes on the narrowed view and the module is that format's.
static void load_umx(LoadedModule *m, const ByteView &v)
{
    EmbeddedModule found;
    if (!umx_find_module(v, &found))
        return;
    m->fileCopy += found.start;
    m->fileLength -= found.start;
    claim_module(m, *found.format);
}

const ModuleFormat UmxFormat = {0, 0, 0, 0, nullptr, test_umx, load_umx};
