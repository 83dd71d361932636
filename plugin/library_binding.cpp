// The playback table bound to bass.dll, imported through its import table.
#include "library_binding.h"
#include "playback_library.h"

#include <bass.h>

void bind_playback_library()
{
    g_playback.Init = BASS_Init;
    g_playback.Start = BASS_Start;
    g_playback.MusicLoad = BASS_MusicLoad;
    g_playback.MusicPlay = BASS_MusicPlay;
    g_playback.MusicGetLength = BASS_MusicGetLength;
    g_playback.ChannelBytes2Seconds = BASS_ChannelBytes2Seconds;
    g_playback.MusicGetName = BASS_MusicGetName;
    g_playback.ChannelSetPosition = BASS_ChannelSetPosition;
    g_playback.ChannelSetAttributes = BASS_ChannelSetAttributes;
    g_playback.ChannelPause = BASS_ChannelPause;
    g_playback.ChannelResume = BASS_ChannelResume;
    g_playback.ChannelIsActive = BASS_ChannelIsActive;
    g_playback.ChannelGetData = BASS_ChannelGetData;
    g_playback.ErrorGetCode = BASS_ErrorGetCode;
    g_playback.Stop = BASS_Stop;
    g_playback.MusicFree = BASS_MusicFree;
    g_playback.Free = BASS_Free;
}
