#include "file_info.h"
#include "packed_modules.h"
#include "playback.h"
#include "playback_library.h"
#include "plugin_state.h"

#include <stdio.h>
#include <string.h>

namespace
{

struct Query {
    const ModuleImage *image;
    const char *file;
    char *title;
    int *lengthMs;
};

// Under the playback lock: the library may be running the current song, and the timer's
// Stop must not free the library between these calls.
void query_library(void *context)
{
    Query *q = (Query *)context;
    // Fails when the library already runs for the current song; the song is loaded into
    // that one then.
    g_playback.Init(g_settings.libraryOutput ? -1 : -2, g_settings.frequency,
                    g_settings.deviceFlags, g_hostWindow);
    DWORD music =
        g_playback.MusicLoad(TRUE, q->image->bytes, 0, 0, g_settings.musicFlags | MUSIC_NO_SAMPLES);
    if (!music)
        return;
    // Milliseconds, unlike the playing song's length in whole seconds.
    float seconds = g_playback.ChannelBytes2Seconds(music, g_playback.MusicGetLength(music, TRUE));
    *q->lengthMs = seconds > 0 && seconds < 2000000 ? (int)(seconds * 1000.0f) : 0;
    const char *name = g_playback.MusicGetName(music);
    lstrcpynA(q->title, name && name[0] ? name : q->file, TITLE_BUFFER);
    // Nothing refers to the song once its title and length are known.
    g_playback.MusicFree(music);
}

const char *last_name(const char *path)
{
    const char *name = path;
    for (const char *c = path; *c; c++)
        if (*c == '\\' || *c == '/')
            name = c + 1;
    return name;
}

} // namespace

void get_file_info(const char *file, char *title, int *lengthMs)
{
    title[0] = 0;
    *lengthMs = 0;
    if (!file || !file[0]) {
        playing_song_info(title, TITLE_BUFFER, lengthMs);
        return;
    }
    if (expand_archive(file)) {
        snprintf(title, TITLE_BUFFER, "**********%s**********", last_name(file));
        return;
    }
    ModuleImage image;
    if (!load_image(file, &image))
        return;
    Query q = {&image, file, title, lengthMs};
    with_playback_lock(query_library, &q);
    release_image(&image);
}
