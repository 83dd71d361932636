#include "packed_names.h"
#include "window_titles.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

// True when the name ends with one of the four-character extensions, in any case.
template <size_t N> static bool ends_with_one_of(const char *name, const char *const (&list)[N])
{
    size_t n = strlen(name);
    if (n < 4)
        return false;
    const char *tail = name + n - 4;
    for (const char *ext : list) {
        bool same = true;
        for (int i = 0; i < 4 && same; i++)
            same = tolower((unsigned char)tail[i]) == ext[i];
        if (same)
            return true;
    }
    return false;
}

bool is_packed_module_name(const char *path)
{
    static const char *const Extensions[] = {".mdz", ".s3z", ".xmz", ".itz", ".zip"};
    return ends_with_one_of(path, Extensions);
}

bool is_text_member_name(const char *name)
{
    static const char *const Extensions[] = {".txt", ".nfo", ".diz"};
    return ends_with_one_of(name, Extensions);
}

void packed_member_name(char *out, size_t outSize, const char *archivePath, const char *member)
{
    if (outSize)
        snprintf(out, outSize, "%s<%s", file_name_part(archivePath), member);
}
