#include "settings_image.h"

#include <string.h>

void default_settings_block(uint8_t out[SETTINGS_BLOCK_SIZE])
{
    // The plug-in's own defaults, through its own writer: the two never drift apart.
    Settings s;
    settings_defaults(&s);
    uint8_t file[SETTINGS_FILE_MAX];
    settings_to_bytes(&s, file);
    memcpy(out, file, SETTINGS_BLOCK_SIZE);
}

bool grabber_command_line(const char *program, char *out, size_t outSize)
{
    static const char Tail[] = " %mod";
    size_t n = strlen(program);
    if (outSize == 0)
        return false;
    if (n + sizeof Tail > outSize) {
        out[0] = 0;
        return false;
    }
    memcpy(out, program, n);
    memcpy(out + n, Tail, sizeof Tail);
    return true;
}

size_t settings_with_command(const uint8_t *existing, size_t existingCount, const char *commandLine,
                             uint8_t *out, size_t outSize)
{
    size_t n = strlen(commandLine);
    if (outSize < SETTINGS_BLOCK_SIZE || n > outSize - SETTINGS_BLOCK_SIZE)
        return 0;
    // A file shorter than the block gives the plug-in its defaults; so does this one.
    if (existing && existingCount >= SETTINGS_BLOCK_SIZE)
        memcpy(out, existing, SETTINGS_BLOCK_SIZE);
    else
        default_settings_block(out);
    memcpy(out + SETTINGS_BLOCK_SIZE, commandLine, n);
    return SETTINGS_BLOCK_SIZE + n;
}

bool join_path(const char *folder, const char *name, char *out, size_t outSize)
{
    size_t f = strlen(folder), n = strlen(name);
    while (f > 0 && (folder[f - 1] == '\\' || folder[f - 1] == '/'))
        f--;
    if (outSize == 0)
        return false;
    if (f + 1 + n + 1 > outSize) {
        out[0] = 0;
        return false;
    }
    memcpy(out, folder, f);
    out[f] = '\\';
    memcpy(out + f + 1, name, n + 1);
    return true;
}
