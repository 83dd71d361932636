#include "file_names.h"

#include <ctype.h>
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

void safe_file_name(const char *text, char *out, size_t outSize)
{
    if (outSize < 3) {
        if (outSize)
            out[0] = 0;
        return;
    }
    size_t n = 0;
    if (device_name(text))
        out[n++] = '_';
    for (; *text && n + 1 < outSize; text++)
        out[n++] = forbidden((unsigned char)*text) ? '_' : *text;
    for (size_t i = n; i > 0 && (out[i - 1] == '.' || out[i - 1] == ' '); i--)
        out[i - 1] = '_';
    if (n == 0)
        out[n++] = '_';
    out[n] = 0;
}

bool path_beside(const char *programPath, const char *fileName, char *out, size_t outSize)
{
    if (outSize == 0)
        return false;
    out[0] = 0;
    size_t folder = 0;
    for (size_t i = 0; programPath[i]; i++)
        if (programPath[i] == '\\' || programPath[i] == '/')
            folder = i + 1;
    size_t name = strlen(fileName);
    if (folder + name + 1 > outSize)
        return false;
    memcpy(out, programPath, folder);
    memcpy(out + folder, fileName, name + 1);
    return true;
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
