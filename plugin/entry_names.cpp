#include "entry_names.h"

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

static bool forbidden(unsigned char c)
{
    return c < 0x20 || c == 0x7F || strchr("\\/:*?\"<>|", c) != nullptr;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices whatever extension follows.
static bool device_name(const char *name)
{
    static const char *const Devices[] = {"CON", "PRN", "AUX", "NUL"};
    size_t stem = strcspn(name, ".");
    char upper[5] = "";
    if (stem < 3 || stem > 4)
        return false;
    for (size_t i = 0; i < stem; i++)
        upper[i] = (char)toupper((unsigned char)name[i]);
    upper[stem] = 0;
    if (stem == 3) {
        for (const char *d : Devices)
            if (strcmp(upper, d) == 0)
                return true;
        return false;
    }
    return (strncmp(upper, "COM", 3) == 0 || strncmp(upper, "LPT", 3) == 0) && upper[3] >= '1' &&
           upper[3] <= '9';
}

void member_file_name(const char *member, char *out, size_t outSize)
{
    if (outSize < 3) {
        if (outSize)
            out[0] = 0;
        return;
    }
    const char *last = member;
    for (const char *p = member; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            last = p + 1;
    size_t n = 0;
    if (device_name(last))
        out[n++] = '_';
    for (; *last && n + 1 < outSize; last++)
        out[n++] = forbidden((unsigned char)*last) ? '_' : *last;
    // Windows drops trailing dots and blanks, so "..", "..." or "x. " would name another
    // file (or the parent folder).
    for (size_t i = n; i > 0 && (out[i - 1] == '.' || out[i - 1] == ' '); i--)
        out[i - 1] = '_';
    if (n == 0)
        out[n++] = '_';
    out[n] = 0;
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
