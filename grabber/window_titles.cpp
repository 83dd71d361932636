#include "window_titles.h"

#include <string.h>

const char *file_name_part(const char *path)
{
    const char *slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// Appends at most `limit` bytes of text to out (at *used), keeping room for the zero.
static void append(char *out, size_t outSize, size_t *used, const char *text, size_t limit)
{
    size_t n = strlen(text);
    if (n > limit)
        n = limit;
    if (*used + n + 1 > outSize)
        n = outSize - 1 - *used;
    memcpy(out + *used, text, n);
    *used += n;
    out[*used] = 0;
}

void module_window_title(char *out, size_t outSize, const char *song, const char *file)
{
    if (outSize == 0)
        return;
    out[0] = 0;
    const size_t brackets = 3; // " [" and "]"
    if (outSize < brackets + 1)
        return;
    size_t room = outSize - 1 - brackets;
    size_t fileLength = strlen(file) < room ? strlen(file) : room;
    size_t songLength = strlen(song) < room - fileLength ? strlen(song) : room - fileLength;
    size_t used = 0;
    append(out, outSize, &used, song, songLength);
    append(out, outSize, &used, " [", 2);
    append(out, outSize, &used, file, fileLength);
    append(out, outSize, &used, "]", 1);
}

void frame_title(char *out, size_t outSize, const char *song)
{
    static const char Suffix[] = " - Virn";
    if (outSize == 0)
        return;
    out[0] = 0;
    if (outSize < sizeof Suffix)
        return;
    size_t used = 0;
    append(out, outSize, &used, song, outSize - sizeof Suffix);
    append(out, outSize, &used, Suffix, sizeof Suffix - 1);
}
