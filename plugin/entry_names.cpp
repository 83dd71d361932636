#include "entry_names.h"
#include "file_names.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

bool is_packed_entry(const char *name)
{
    return name && strchr(name, '<') != nullptr;
}

bool form_entry(char *out, const char *archive, const char *member)
{
    int n = snprintf(out, PATH_BUFFER, "%s<%s", archive, member);
    if (n < 0 || n > PATH_MAX_CHARS) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool split_entry(const char *entry, char *archive, char *member)
{
    archive[0] = member[0] = 0;
    const char *mark = strchr(entry, '<');
    if (!mark)
        return false;
    size_t a = (size_t)(mark - entry);
    size_t m = strlen(mark + 1);
    if (a > PATH_MAX_CHARS || m > PATH_MAX_CHARS)
        return false;
    memcpy(archive, entry, a);
    archive[a] = 0;
    memcpy(member, mark + 1, m + 1);
    return true;
}

void member_file_name(const char *member, char *out, size_t outSize)
{
    const char *last = member;
    for (const char *p = member; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            last = p + 1;
    safe_file_name(last, out, outSize);
}

bool join_path(char *out, const char *folder, const char *name)
{
    size_t f = strlen(folder);
    bool separator = f > 0 && (folder[f - 1] == '\\' || folder[f - 1] == '/');
    int n = snprintf(out, PATH_BUFFER, separator ? "%s%s" : "%s\\%s", folder, name);
    if (n < 0 || n > PATH_MAX_CHARS) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool same_path(const char *a, const char *b)
{
    for (; *a && *b; a++, b++)
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b))
            return false;
    return *a == *b;
}
