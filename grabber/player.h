// The sample player: one sample at a time, once or looped, on a thread of its own,
// through waveOut or DirectSound as the sound preferences say. Started and stopped on the
// UI thread by the module windows and the sample info dialog.
//
// Every play is a job of its own: its PCM, its copy of the request and its stop event
// belong to its thread alone, so a new play never touches what a finishing one still
// uses. When the thread ends it reports to the player's own window on the UI thread,
// which clears the play state and the toolbar's stop image (whoever started the play,
// whether its window still exists or not), tells the starting window if it is still
// there, and shows what went wrong, if anything did.
#ifndef GRABBER_PLAYER_H
#define GRABBER_PLAYER_H

#include <windows.h>

#include "app_state.h"

struct PlayRequest {
    const CatalogEntry *entry; // the row in the starting window's copy, edits included
    bool looped;
    HWND notifyWindow; // gets WMU_PLAYDONE when the play ends by itself
    ModuleHandle module;
    int index;
    bool fromToolbar; // the toolbar's play button shows the stop image meanwhile
};

// Starts the play and sets g_app.playing; false (after a warning where there is one to
// give) when nothing starts.
bool player_start(const PlayRequest *request);

// Asks the running play to stop, without waiting for it, and clears g_app.playing and
// the toolbar's stop image.
void player_stop();

// Player threads that have not ended yet (stopped ones included).
int player_threads_running();

#endif
