// The "Sound preferences" dialog (106): output device and volume.
#ifndef GRABBER_SOUND_PREFS_H
#define GRABBER_SOUND_PREFS_H

#include <windows.h>

void run_sound_preferences(HWND owner);

#endif
