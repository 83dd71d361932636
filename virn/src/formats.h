// The formats a module file is offered to, each a cheap signature test on the view (a
// mark at a fixed offset, a test function, or both) and a loader for a view that passed
// it, registered in the load order (load.cpp).
#ifndef VIRN_FORMATS_H
#define VIRN_FORMATS_H

#include "module.h"

#include <stddef.h>

struct ModuleFormat {
    // The module's type once the loader has added an entry; 0 for the wrapper, whose
    // embedded module has its own.
    uint32_t moduleType;
    uint32_t titleOffset; // the song title in the view
    uint32_t titleLength; // 0: none that we read
    // The signature: `mark` at `markOffset` (null: the test alone decides), then `test`
    // (null: the mark alone decides).
    uint32_t markOffset;
    const char *mark;
    bool (*test)(const ByteView &file);
    void (*load)(LoadedModule *m, const ByteView &file); // the file is module_view(m)
};

extern const ModuleFormat XmFormat, ItFormat, S3mFormat, StmFormat, UltFormat, PtmFormat, PsmFormat,
    UmxFormat, DbmFormat, MtmFormat, ModFormat;

// The first format in the load order whose test passes: the one the load gives the
// file to. Null when none does.
const ModuleFormat *format_claiming(const ByteView &file);
// Claims the module for a format whose test the view passed: the song title, the
// entries, then `recognised` and the module type.
void claim_module(LoadedModule *m, const ModuleFormat &format);

// A module inside a UMX package: where it starts in the view, and its format.
struct EmbeddedModule {
    uint32_t start;
    const ModuleFormat *format;
};
// True when the view has the shape of a package and holds an embedded module's mark.
bool umx_find_module(const ByteView &file, EmbeddedModule *found);

#endif
