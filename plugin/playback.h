// Playing one song at a time through the playback library: either the plug-in pulls the
// rendered sound on a decode thread and writes it to the host's output module (host
// output), or the library plays on its own device and a once-a-second multimedia timer
// watches for the end (library output). These are the host's entry points of the input
// module record; they run on the host's thread.
//
// Three threads share the state: the host's (every entry point), the decode thread and
// the timer's callback. The host's entry points and the timer callback run under one
// lock, so the timer's own Stop at the end of a song and the host's Stop never interleave;
// the decode thread takes no lock: it only runs between Play and the Stop that waits for
// it, and it exchanges the stop and seek requests and the position with the host's thread
// through atomic fields.
#ifndef PLUGIN_PLAYBACK_H
#define PLUGIN_PLAYBACK_H

struct In_Module;

// The record whose host fields (main window, output module, hooks) playback uses.
void playback_attach(In_Module *module);

int play(const char *file); // 0, or -1 when the song cannot be loaded
void stop();                // harmless when nothing plays, also a second time
void pause_song();
void unpause_song();
int is_paused();
int song_length_ms(); // whole seconds, in milliseconds; 0 without a song
int output_time_ms();
void seek_to_ms(int ms);
void set_volume(int volume); // 0..255
void set_pan(int pan);

// The playing song's name and length for the host's file information (file name null or
// empty). The title buffer holds titleSize bytes.
void playing_song_info(char *title, int titleSize, int *lengthMs);

// Runs `work` under the playback lock: information queries use the library between the
// host's calls, and must not meet the timer's Stop halfway.
void with_playback_lock(void (*work)(void *), void *context);

// At Quit: stops what still plays, then BASS_Stop and BASS_Free.
void playback_quit();

#endif
