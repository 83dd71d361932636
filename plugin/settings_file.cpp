#include "settings_file.h"
#include "beside_program.h"
#include "plugin_state.h"

Settings g_settings;
volatile LONG g_pendingLibraryOutput;
HWND g_hostWindow;
HINSTANCE g_pluginInstance;

static char g_settingsPath[MAX_PATH];

const char *settings_file_path()
{
    return path_beside_program(SettingsFileName, g_settingsPath, sizeof g_settingsPath);
}

void load_settings_from(const char *path)
{
    uint8_t bytes[SETTINGS_FILE_MAX];
    DWORD got = 0;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        // Only what the record can hold is read: a longer command line is cut.
        if (!ReadFile(file, bytes, sizeof bytes, &got, nullptr))
            got = 0;
        CloseHandle(file);
    }
    settings_from_bytes(bytes, got, &g_settings);
    g_pendingLibraryOutput = (LONG)g_settings.libraryOutput;
}

void load_settings()
{
    load_settings_from(settings_file_path());
}

void save_settings_to(const char *path)
{
    uint8_t bytes[SETTINGS_FILE_MAX];
    size_t n = settings_to_bytes(&g_settings, bytes);
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, bytes, (DWORD)n, &written, nullptr);
    CloseHandle(file);
}

void save_settings()
{
    save_settings_to(settings_file_path());
}
