#include "file_names.h"

#include <stdio.h>
#include <string.h>

static bool forbidden(unsigned char c)
{
    return c < 0x20 || c == 0x7F || strchr("\\/:*?\"<>|", c) != nullptr;
}

void safe_file_part(const char *text, char *out, size_t outSize)
{
    if (outSize == 0)
        return;
    size_t n = 0;
    bool onlyDots = true;
    for (; text[n] && n + 1 < outSize; n++) {
        unsigned char c = (unsigned char)text[n];
        out[n] = forbidden(c) ? '_' : (char)c;
        onlyDots = onlyDots && c == '.';
    }
    out[n] = 0;
    if (n > 0 && onlyDots)
        memset(out, '_', n);
}

bool batch_file_name(char *out, size_t outSize, const char *folder, const char *name, int row,
                     const char *extension)
{
    char safe[64];
    safe_file_part(name, safe, sizeof safe);
    char suffix[32];
    snprintf(suffix, sizeof suffix, "(%03d).%s", row, extension);
    size_t fixed = strlen(folder) + 1 + strlen(suffix);
    if (outSize == 0 || fixed + 1 > outSize) {
        if (outSize)
            out[0] = 0;
        return false;
    }
    size_t room = outSize - 1 - fixed;
    if (strlen(safe) > room)
        safe[room] = 0;
    snprintf(out, outSize, "%s%c%s%s", folder, PATH_SEPARATOR, safe, suffix);
    return true;
}
