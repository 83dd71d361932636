// The host's output module: PCM the plug-in writes goes into a buffer of the length the
// plug-in asks for (2 s when it leaves it to the host), which the host "plays" into a WAV
// file. CanWrite answers the free room of that buffer, as a sound device's output does;
// Flush drops what has not been played; pause stops the playing. The host plays from its
// own thread (wav_output_play), and when asked also as soon as the plug-in writes; either
// way the file holds exactly what a listener would have heard, whatever the timing of the
// threads.
#ifndef HOST_WAV_OUTPUT_H
#define HOST_WAV_OUTPUT_H

#include <stdint.h>

struct Out_Module;

struct WavOutputOptions {
    const char *path;     // the WAV file; null: played bytes are only counted
    uint64_t playLimitMs; // stop playing after this much sound (0: no limit)
    bool holdUntilFlush;  // play nothing before the first Flush (a seek at the start)
    // Play what may play as soon as it is written: a render then runs as fast as the
    // plug-in delivers. Without it only wav_output_play plays, so the host's own thread
    // sets the pace (and can pause the song at a given time before it has ended).
    bool playOnWrite;
};

struct WavOutputStats {
    int opens, closes, writes, flushes, pauses, volumeCalls, panCalls;
    int rate, channels, bits, bufferMs;
    int lastVolume, lastPan, lastFlush;
    uint64_t writtenBytes; // all bytes handed to Write
    uint64_t playedBytes;  // bytes in the file
};

Out_Module *wav_output_module();
void wav_output_configure(const WavOutputOptions *options);

// Moves everything that may play now from the buffer into the file. True while bytes
// wait in the buffer.
bool wav_output_play();
// True once the play limit is reached.
bool wav_output_limit_reached();
WavOutputStats wav_output_stats();

#endif
