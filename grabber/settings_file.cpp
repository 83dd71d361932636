#include "settings_file.h"
#include "app_state.h"
#include "beside_program.h"
#include "settings_format.h"

static const char MissingText[] = "Unable to open config file\r\rDefaults loaded";

static char g_settingsPath[MAX_PATH];

const char *settings_file_path()
{
    return path_beside_program(SettingsFileName, g_settingsPath, sizeof g_settingsPath);
}

static bool read_settings(const char *path, SoundSettings *s)
{
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    uint8_t bytes[SETTINGS_FILE_SIZE] = {};
    DWORD got = 0;
    if (!ReadFile(file, bytes, sizeof bytes, &got, nullptr))
        got = 0;
    CloseHandle(file);
    settings_from_bytes(bytes, got, s);
    return true;
}

void load_settings_from(HWND owner, const char *besideProgram, const char *inCurrentDirectory)
{
    if (besideProgram != g_settingsPath)
        lstrcpynA(g_settingsPath, besideProgram, sizeof g_settingsPath);
    SoundSettings s;
    if (!read_settings(besideProgram, &s) && !read_settings(inCurrentDirectory, &s)) {
        MessageBoxA(owner, MissingText, AppCaption, MB_OK | MB_ICONWARNING);
        settings_defaults(&s);
    }
    g_app.outputDevice = s.outputDevice;
    g_app.outputVolume = s.outputVolume;
}

void load_settings(HWND owner)
{
    load_settings_from(owner, settings_file_path(), SettingsFileName);
}

void save_settings()
{
    SoundSettings s = {g_app.outputDevice, g_app.outputVolume};
    uint8_t bytes[SETTINGS_FILE_SIZE];
    settings_to_bytes(&s, bytes);
    HANDLE file = CreateFileA(settings_file_path(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return; // nothing to tell at exit; the next start shows the defaults
    DWORD written;
    WriteFile(file, bytes, sizeof bytes, &written, nullptr);
    CloseHandle(file);
}
