// In_Quorvel.dll's one export and the input-module record it hands the host: the entry
// points are thin __cdecl shims over the playback, information and dialog code.
#include "about_box.h"
#include "config_dialog.h"
#include "file_info.h"
#include "info_box.h"
#include "library_binding.h"
#include "packed_modules.h"
#include "playback.h"
#include "plugin_state.h"
#include "settings_file.h"
#include "winamp_records.h"

namespace
{

// Pairs of extensions and descriptions, each NUL-terminated; the literal's own NUL ends
// the list with an empty string.
char Extensions[] = "MO3\0Modules with mp3/ogg compressed samples (*.MO3)\0"
                    "IT\0Impulse Tracker modules (*.IT)\0"
                    "XM\0Fast Tracker 2 modules (*.XM)\0"
                    "S3M\0Scream Tracker 3 modules (*.S3M)\0"
                    "MTM\0Multi Tracker modules (*.MTM)\0"
                    "MOD\0Pro Tracker modules ( *.MOD)\0"
                    "UMX\0Unreal\\Unreal Tournament music (*.UMX)\0"
                    "MDZ;S3Z;XMZ;ITZ;ZIP\0Packed modules(*.MDZ;*.S3Z;*.XMZ;*.ITZ;*.ZIP)\0";
char Description[] = "Quorvel v0.9.8";

// The instance that holds the dialogs: this DLL, whatever the host filled in.
HINSTANCE own_instance()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)&own_instance, &self);
    return self;
}

extern In_Module g_module;

void __cdecl config(HWND parent)
{
    config_dialog(parent);
}

void __cdecl about(HWND parent)
{
    about_box(parent);
}

void __cdecl init()
{
    g_hostWindow = g_module.hMainWindow;
    g_pluginInstance = own_instance();
    bind_playback_library();
    playback_attach(&g_module);
    load_settings();
    about_box_init(g_pluginInstance);
}

void __cdecl quit()
{
    save_settings();
    playback_quit();
    release_list();
}

void __cdecl file_info(char *file, char *title, int *lengthMs)
{
    get_file_info(file, title, lengthMs);
}

int __cdecl info(char *file, HWND parent)
{
    return info_box(file, parent);
}

int __cdecl is_our_file(char *)
{
    return 0; // the host goes by the extension list
}

int __cdecl play_file(char *file)
{
    return play(file);
}

void __cdecl pause_entry()
{
    pause_song();
}

void __cdecl unpause_entry()
{
    unpause_song();
}

int __cdecl is_paused_entry()
{
    return is_paused();
}

void __cdecl stop_entry()
{
    stop();
}

int __cdecl get_length()
{
    return song_length_ms();
}

int __cdecl get_output_time()
{
    return output_time_ms();
}

void __cdecl set_output_time(int ms)
{
    seek_to_ms(ms);
}

void __cdecl set_volume_entry(int volume)
{
    set_volume(volume);
}

void __cdecl set_pan_entry(int pan)
{
    set_pan(pan);
}

void __cdecl eq_set(int, char *, int)
{
}

In_Module g_module = {
    IN_MODULE_VERSION,
    Description,
    nullptr, // main window and instance: the host's
    nullptr,
    Extensions,
    1, // seekable
    1, // uses the host's output module
    config,
    about,
    init,
    quit,
    file_info,
    info,
    is_our_file,
    play_file,
    pause_entry,
    unpause_entry,
    is_paused_entry,
    stop_entry,
    get_length,
    get_output_time,
    set_output_time,
    set_volume_entry,
    set_pan_entry,
    nullptr, // visualisation and DSP hooks: the host's
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    eq_set,
    nullptr, // SetInfo and the output module: the host's
    nullptr,
};

} // namespace

extern "C" __declspec(dllexport) In_Module *__cdecl winampGetInModule2()
{
    return &g_module;
}
