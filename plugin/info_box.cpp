#include "info_box.h"
#include "entry_names.h"
#include "external_command.h"
#include "packed_modules.h"
#include "plugin_state.h"
#include "winamp_records.h"

#include <string.h>

// The host's settings folder, or null when the host gives none (or one too long to use).
static const char *settings_directory()
{
    const char *dir = (const char *)SendMessageA(g_hostWindow, WM_USER, 0, IPC_GETINIDIRECTORY);
    return dir && strlen(dir) <= PATH_MAX_CHARS ? dir : nullptr;
}

// Writes the member to "<settings folder>\<member's safe file name>"; false when the
// member cannot be found or extracted, or the copy cannot be written.
static bool write_temporary_copy(const char *entry, const char *dir, char *path)
{
    path[0] = 0;
    ExtractedMember *record = member_record(&g_packedList, &g_archiveAccess, entry);
    if (!record || !dir)
        return false;
    char archive[PATH_BUFFER], member[PATH_BUFFER], name[PATH_BUFFER];
    split_entry(entry, archive, member);
    // The member's name comes from the archive: only its last component, made safe, may
    // become a file name, so nothing is written outside the settings folder.
    member_file_name(member, name, sizeof name);
    if (!join_path(path, dir, name))
        return false;
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        path[0] = 0;
        return false;
    }
    DWORD written = 0;
    bool ok =
        record->size == 0 ||
        (WriteFile(file, record->data, record->size, &written, nullptr) && written == record->size);
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(path);
        path[0] = 0;
    }
    return ok;
}

static void show_in_plugin(const char *dir, const char *module, HWND parent)
{
    char path[PATH_BUFFER];
    if (!dir || !plugin_path(path, dir, g_settings.commandLine))
        return;
    HMODULE library = LoadLibraryA(path);
    if (!library)
        return;
    GetInModuleFunction get =
        (GetInModuleFunction)(void *)GetProcAddress(library, "winampGetInModule2");
    In_Module *other = get ? get() : nullptr;
    if (other && other->InfoBox) {
        // A host fills these before it calls a plug-in; its dialogs need its instance.
        other->hMainWindow = g_hostWindow;
        other->hDllInstance = library;
        char name[PATH_BUFFER];
        lstrcpynA(name, module, sizeof name);
        other->InfoBox(name, parent);
    }
    FreeLibrary(library);
}

static void run_program(const char *module)
{
    char folder[PATH_BUFFER], command[1024];
    if (!g_settings.commandLine[0] ||
        !form_command(command, sizeof command, g_settings.commandLine, module))
        return;
    module_folder(folder, sizeof folder, module);
    if (folder[0])
        SetCurrentDirectoryA(folder);
    MessageBoxA(g_hostWindow, command, "!", MB_OK);
    WinExec(command, SW_SHOWNORMAL);
}

int info_box(const char *file, HWND parent)
{
    if (!file || !file[0] || !g_settings.commandLine[0])
        return 0; // nothing to show, or nothing set to show it with
    const char *dir = nullptr;
    char copy[PATH_BUFFER] = "";
    const char *module = file;
    if (is_packed_entry(file)) {
        dir = settings_directory();
        if (!write_temporary_copy(file, dir, copy))
            return 0; // nothing to show: the member is gone or cannot be copied
        module = copy;
    } else if (strlen(file) > PATH_MAX_CHARS) {
        return 0;
    }
    if (is_plugin_command(g_settings.commandLine)) {
        if (!dir)
            dir = settings_directory();
        show_in_plugin(dir, module, parent);
        if (copy[0])
            DeleteFileA(copy);
    } else {
        run_program(module); // the copy stays for the program
    }
    return 0;
}
