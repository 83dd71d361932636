#include "playback_library.h"

PlaybackLibrary g_playback;
