// One play as its thread sees it. Everything here belongs to the thread from its start:
// the UI thread keeps only a duplicate of the stop event.
#ifndef GRABBER_PLAYER_JOB_H
#define GRABBER_PLAYER_JOB_H

#include <windows.h>
#include <mmsystem.h>

#include "play_shape.h"

struct PlayJob {
    PlayShape shape;
    uint8_t *buffer;  // shape.total bytes to play (a page allocation)
    HANDLE stopEvent; // manual reset; set by the UI thread to stop
    uint32_t device;  // OutputDevice and OutputVolume as they were at the start
    uint32_t volume;
    HWND frame;        // the DirectSound cooperative-level window
    HWND reportWindow; // the player's window, told when the thread ends
    uint32_t serial;   // which play this is, for the report
};

enum PlayOutcome {
    PLAY_ENDED,    // played (or stopped)
    PLAY_NO_DEVICE // the output or one of its buffers could not be opened
};

// Both run until the play ends by itself (one-shot) or the stop event is set, then
// release every device object they opened.
PlayOutcome play_waveout(const PlayJob *job);
PlayOutcome play_dsound(const PlayJob *job);

void wave_format_of(const PlayShape *shape, WAVEFORMATEX *format);

#endif
