#include "install_action.h"

#include <stdio.h>
#include <string.h>

#include "resource.h"
#include "settings_image.h"
#include "setup_files.h"

uint32_t pluginHandled = 0;
uint32_t grabberHandled = 0;

namespace
{

const char Caption[] = "ZOK";
const char PluginInstalling[] = "Installing In_Quorvel...";
const char GrabberInstalling[] = "Installing Virn...";
const char Done[] = "Done!";
const char Failed[] = "Failed!";

// A step's files that could not be written, for one warning at the end of the step.
struct Failures {
    char text[1024];
    int count;
};

void failed(Failures *f, const char *path)
{
    if (f->count == 0)
        lstrcpynA(f->text, "These files could not be written:", sizeof f->text);
    size_t used = strlen(f->text);
    snprintf(f->text + used, sizeof f->text - used, "\n%s", path);
    f->count++;
}

void warn(HWND dialog, const char *text)
{
    MessageBoxA(dialog, text, Caption, MB_OK | MB_ICONWARNING);
}

// The status line gets "Done!" and the installed mark only when every file of the step
// was written; otherwise "Failed!", the mark of a component still to install and a
// warning naming the files. Returns whether the step is done.
bool finish_step(HWND dialog, int statusId, int iconId, const char *installing, const Failures *f)
{
    char status[64];
    snprintf(status, sizeof status, "%s%s", installing, f->count ? Failed : Done);
    SetDlgItemTextA(dialog, statusId, status);
    int icon = f->count ? IDI_NOT_INSTALLED : IDI_INSTALLED;
    SendDlgItemMessageA(dialog, iconId, STM_SETICON,
                        (WPARAM)LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon)), 0);
    if (f->count)
        warn(dialog, f->text);
    return f->count == 0;
}

void folder_field(HWND dialog, int id, char *folder)
{
    folder[0] = 0;
    GetDlgItemTextA(dialog, id, folder, SETUP_PATH_MAX + 1);
}

bool is_folder(const char *path)
{
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A Winamp folder is one that has its Plugins folder.
bool winamp_folder(const char *folder)
{
    char plugins[MAX_PATH + 16];
    return join_path(folder, "Plugins", plugins, sizeof plugins) && is_folder(plugins);
}

// The grabber's command for the plug-in. The plug-in reads at most 259 characters of it:
// a longer path is given in its short form, which names the same file.
void command_for(const char *program, char *command, size_t size)
{
    char shortPath[MAX_PATH];
    if (strlen(program) + 5 > COMMAND_LINE_MAX) {
        DWORD n = GetShortPathNameA(program, shortPath, sizeof shortPath);
        if (n > 0 && n < sizeof shortPath)
            program = shortPath;
    }
    grabber_command_line(program, command, size);
}

// The grabber installed without the plug-in in this action: no settings file is open, so
// the command goes into the one in the Winamp folder named in the dialog, keeping its
// block; without one there, a fresh file with the defaults when the folder is a Winamp
// folder; otherwise the command is dropped.
void settings_for_grabber_alone(const char *winamp, const char *command, Failures *f)
{
    char path[MAX_PATH + 16];
    if (!winamp[0] || !join_path(winamp, SettingsFileName, path, sizeof path))
        return;
    uint8_t block[SETTINGS_BLOCK_SIZE];
    DWORD got = 0;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        HANDLE in = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (in == INVALID_HANDLE_VALUE) {
            failed(f, path);
            return;
        }
        DWORD n = 0;
        while (got < sizeof block && ReadFile(in, block + got, sizeof block - got, &n, nullptr) &&
               n > 0)
            got += n;
        CloseHandle(in);
    } else if (!winamp_folder(winamp)) {
        return;
    }
    uint8_t bytes[SETUP_SETTINGS_MAX];
    size_t count = settings_with_command(block, got, command, bytes, sizeof bytes);
    HANDLE out =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = out != INVALID_HANDLE_VALUE && write_all(out, bytes, (DWORD)count);
    if (out != INVALID_HANDLE_VALUE && !CloseHandle(out))
        ok = false;
    if (!ok)
        failed(f, path);
}

// The plug-in into <Winamp>\Plugins, the settings file beside the player (left open for
// the grabber's command), and the playback library beside the player when it has none.
// False when the plug-in itself cannot be written: the folder is no Winamp folder.
bool plugin_step(HWND dialog, HANDLE *settings)
{
    char winamp[SETUP_PATH_MAX + 1], path[MAX_PATH + 32];
    folder_field(dialog, IDC_PLUGIN_FOLDER, winamp);
    // An empty field would name \Plugins on the current drive.
    if (!winamp[0] || !join_path(winamp, "Plugins\\In_Quorvel.dll", path, sizeof path) ||
        !extract_resource(IDR_PLUGIN_DLL, path, CREATE_ALWAYS)) {
        warn(dialog, "You must specify valid Winamp directory");
        return false;
    }
    SetDlgItemTextA(dialog, IDC_PLUGIN_STATUS, PluginInstalling);
    Failures f = {};
    join_path(winamp, SettingsFileName, path, sizeof path);
    *settings =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    uint8_t block[SETTINGS_BLOCK_SIZE];
    default_settings_block(block);
    if (*settings == INVALID_HANDLE_VALUE || !write_all(*settings, block, sizeof block))
        failed(&f, path);
    // The plug-in cannot start without the playback library beside the player. A library
    // already there is the user's own and stays.
    join_path(winamp, "bass.dll", path, sizeof path);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES &&
        !extract_resource(IDR_PLAYBACK_DLL, path, CREATE_NEW) &&
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        failed(&f, path);
    if (finish_step(dialog, IDC_PLUGIN_STATUS, IDC_PLUGIN_ICON, PluginInstalling, &f))
        pluginHandled = 1;
    return true;
}

// Virn.exe and its library into <destination>\Virn, and the grabber's command into the
// settings file. False when the destination does not exist.
bool grabber_step(HWND dialog, HANDLE *settings, bool pluginRan)
{
    char dest[SETUP_PATH_MAX + 1], base[MAX_PATH + 16], program[MAX_PATH + 32],
        library[MAX_PATH + 32];
    folder_field(dialog, IDC_GRABBER_FOLDER, dest);
    if (GetFileAttributesA(dest) == INVALID_FILE_ATTRIBUTES) {
        warn(dialog, "You must specify valid directory where Virn should be installed to");
        return false;
    }
    Failures f = {};
    join_path(dest, "Virn", base, sizeof base);
    if (!CreateDirectoryA(base, nullptr) && !is_folder(base))
        failed(&f, base);
    bool named = join_path(base, "Virn.exe", program, sizeof program) &&
                 join_path(base, "Virn.dll", library, sizeof library);
    if (!named || !extract_resource(IDR_VIRN_EXE, program, CREATE_ALWAYS))
        failed(&f, named ? program : base);
    SetDlgItemTextA(dialog, IDC_GRABBER_STATUS, GrabberInstalling);
    char command[SETUP_PATH_MAX + 16];
    command_for(program, command, sizeof command);
    char winamp[SETUP_PATH_MAX + 1];
    folder_field(dialog, IDC_PLUGIN_FOLDER, winamp);
    if (*settings != INVALID_HANDLE_VALUE) {
        bool ok = write_all(*settings, command, (DWORD)strlen(command));
        if (!CloseHandle(*settings))
            ok = false;
        *settings = INVALID_HANDLE_VALUE;
        char path[MAX_PATH + 16];
        if (!ok && join_path(winamp, SettingsFileName, path, sizeof path))
            failed(&f, path);
    } else if (!pluginRan) {
        settings_for_grabber_alone(winamp, command, &f);
    }
    if (named && !extract_resource(IDR_VIRN_DLL, library, CREATE_ALWAYS))
        failed(&f, library);
    if (finish_step(dialog, IDC_GRABBER_STATUS, IDC_GRABBER_ICON, GrabberInstalling, &f))
        grabberHandled = 1;
    return true;
}

// pexlin.dll into the system folder, where the plug-in's load by name finds it.
void system_step(HWND dialog)
{
    char system[MAX_PATH], path[MAX_PATH + 16];
    UINT n = GetSystemDirectoryA(system, sizeof system);
    bool ok = n > 0 && n < sizeof system && join_path(system, "pexlin.dll", path, sizeof path);
    if (ok && extract_resource(IDR_PEXLIN_DLL, path, CREATE_ALWAYS))
        return;
    Failures f = {};
    failed(&f, ok ? path : "pexlin.dll");
    warn(dialog, f.text);
}

} // namespace

void install(HWND dialog)
{
    // The settings file stays open from the plug-in step to the grabber step, which
    // appends its command; an action that ends early leaves it with the block alone.
    HANDLE settings = INVALID_HANDLE_VALUE;
    bool pluginRan = false, go = true;
    if (!pluginHandled) {
        go = plugin_step(dialog, &settings);
        pluginRan = go;
    }
    if (go && !grabberHandled)
        go = grabber_step(dialog, &settings, pluginRan);
    if (settings != INVALID_HANDLE_VALUE)
        CloseHandle(settings);
    if (go)
        system_step(dialog);
}
