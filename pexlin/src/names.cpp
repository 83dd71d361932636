#include "names.h"

#include <string.h>

#include "pexlin.h"

const char EXTENSION_LIST[] = "mod|s3m|xm|it|mtm|umx";

size_t map_name(const char *stored, char *out)
{
    size_t n = 0;
    const unsigned char *p = (const unsigned char *)stored;
    while (*p) {
        unsigned char c = *p++;
        if (c == 0x16) {
            // The escape byte: the next character is taken as it is, separators included.
            if (!*p)
                break;
            c = *p++;
        } else if (c == '/' || c == '\\') {
            n = 0; // only the part after the last directory separator survives
            continue;
        } else if (c == ';') {
            break; // a version suffix ("song.it;1") ends the name
        } else if (c == '<' || c == '[') {
            // Tags such as "<tag>" and "[1]" are dropped with their closing bracket.
            unsigned char close = c == '<' ? '>' : ']';
            while (*p && *p != close)
                p++;
            if (*p)
                p++;
            continue;
        } else if (c == ':') {
            c = '_';
        } else if (c < 0x20) {
            continue; // control characters are dropped
        }
        // Names are cut at 255 characters: the record's name field promises no more.
        if (n < PEXLIN_NAME_MAX)
            out[n++] = (char)c;
    }
    out[n] = 0;
    return n;
}

const char *name_extension(const char *name)
{
    const char *ext = name;
    for (const char *p = name; *p; p++) {
        if (*p == '.' || *p == '\\')
            ext = p + 1;
    }
    return ext;
}

static int lower(int c)
{
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

bool same_text_nocase(const char *a, const char *b)
{
    while (*a && lower((unsigned char)*a) == lower((unsigned char)*b)) {
        a++;
        b++;
    }
    return *a == 0 && *b == 0;
}

bool is_text_extension(const char *ext)
{
    return same_text_nocase(ext, "txt") || same_text_nocase(ext, "nfo") ||
           same_text_nocase(ext, "diz");
}

bool extension_in_list(const char *ext, const char *list)
{
    size_t len = strlen(ext);
    const char *token = list;
    for (;;) {
        const char *bar = strchr(token, '|');
        size_t tlen = bar ? (size_t)(bar - token) : strlen(token);
        if (tlen == len) {
            size_t i = 0;
            while (i < len && lower((unsigned char)ext[i]) == lower((unsigned char)token[i]))
                i++;
            if (i == len)
                return true;
        }
        if (!bar)
            return false;
        token = bar + 1;
    }
}
