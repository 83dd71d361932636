#include "package.h"

#include "formats.h"

uint32_t packaged_module_type(const uint8_t *file, size_t size)
{
    if (size > 0xFFFFFFFFu)
        return 0;
    // The library's own rules: the wrapper takes the file only when no format before
    // it in the load order does, and then hands on the module whose mark it finds.
    ByteView v = {file, (uint32_t)size};
    EmbeddedModule inner;
    if (format_claiming(v) != &UmxFormat || !umx_find_module(v, &inner))
        return 0;
    return inner.format->moduleType;
}
