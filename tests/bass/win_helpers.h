// Shared steps of the Windows-side tests: modules in page memory (as the plug-in holds
// them), the plug-in's calling order, and pulling a whole song.
#ifndef TESTS_BASS_WIN_HELPERS_H
#define TESTS_BASS_WIN_HELPERS_H

#include <bass.h>

#include "fixtures.h"

// Loads from memory with length 0, as the plug-in does, the module in freshly committed
// pages (zero after its end) as the plug-in reads files and as the archive library hands
// out members. The pages go right after: the library keeps what it needs. 0 when it cannot.
DWORD load_from_pages(const Bytes &module, DWORD flags);

// BASS_Stop, BASS_Free, BASS_Init, BASS_Start: the start of every song in the plug-in.
void start_library(int device, DWORD rate, DWORD deviceFlags);

// The library started without a device at that format, then load_from_pages.
DWORD load_song(const Bytes &module, DWORD flags, DWORD rate = 44100, DWORD deviceFlags = 0);

// Everything BASS_ChannelGetData gives in `chunk`-byte requests until it reports the end
// (checked: -1 with error code 24, and only the last block short).
Bytes pull_all(DWORD music, DWORD chunk = 44100);

#endif
