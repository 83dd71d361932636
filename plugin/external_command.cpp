#include "external_command.h"
#include "entry_names.h"

#include <stdio.h>
#include <string.h>

static const char Placeholder[] = "%mod";
enum { PLACEHOLDER_LENGTH = sizeof Placeholder - 1 };

// Appends text to out at *n; false when it does not fit with the terminator.
static bool append(char *out, size_t outSize, size_t *n, const char *text, size_t length)
{
    if (*n + length + 1 > outSize)
        return false;
    memcpy(out + *n, text, length);
    *n += length;
    out[*n] = 0;
    return true;
}

static bool append_path(char *out, size_t outSize, size_t *n, const char *path, bool quote)
{
    return (!quote || append(out, outSize, n, "\"", 1)) &&
           append(out, outSize, n, path, strlen(path)) &&
           (!quote || append(out, outSize, n, "\"", 1));
}

bool form_command(char *out, size_t outSize, const char *setting, const char *modulePath)
{
    if (outSize == 0)
        return false;
    out[0] = 0;
    bool blank = strchr(modulePath, ' ') != nullptr;
    size_t n = 0;
    bool placed = false;
    bool ok = true;
    for (const char *p = setting; *p && ok;) {
        const char *mark = strstr(p, Placeholder);
        if (!mark) {
            ok = append(out, outSize, &n, p, strlen(p));
            break;
        }
        ok = append(out, outSize, &n, p, (size_t)(mark - p));
        // "%mod" already inside quotes keeps the setting's quotes.
        bool quoted = mark > setting && mark[-1] == '"' && mark[PLACEHOLDER_LENGTH] == '"';
        ok = ok && append_path(out, outSize, &n, modulePath, blank && !quoted);
        placed = true;
        p = mark + PLACEHOLDER_LENGTH;
    }
    if (ok && !placed)
        ok = append(out, outSize, &n, " ", 1) && append_path(out, outSize, &n, modulePath, blank);
    if (!ok)
        out[0] = 0;
    return ok;
}

bool is_plugin_command(const char *setting)
{
    return strncmp(setting, "plg", 3) == 0;
}

bool plugin_path(char *out, const char *settingsDir, const char *setting)
{
    int n = snprintf(out, PATH_BUFFER, "%s\\Plugins\\%s", settingsDir, setting + 3);
    if (n < 0 || n > PATH_MAX_CHARS) {
        out[0] = 0;
        return false;
    }
    return true;
}

void module_folder(char *out, size_t outSize, const char *modulePath)
{
    if (outSize == 0)
        return;
    const char *slash = strrchr(modulePath, '\\');
    size_t n = slash ? (size_t)(slash - modulePath) : 0;
    if (n > 0 && modulePath[n - 1] == ':')
        n++; // "D:\" is the drive's root; "D:" would be the drive's current folder
    if (n + 1 > outSize)
        n = 0;
    memcpy(out, modulePath, n);
    out[n] = 0;
}
