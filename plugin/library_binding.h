// Fills the playback table (playback_library.h) with bass.dll's functions.
#ifndef PLUGIN_LIBRARY_BINDING_H
#define PLUGIN_LIBRARY_BINDING_H

void bind_playback_library();

#endif
