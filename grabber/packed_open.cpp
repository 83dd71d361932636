#include "packed_open.h"
#include "app_state.h"
#include "module_window.h"
#include "pexlin.h"

typedef ExtractedMember *(PEXLIN_CALL *ArchiveEntry)(const uint8_t *, uint32_t, ExtractedMember *,
                                                     const char *);

// The archive's bytes in a page allocation; null when the file cannot be read whole.
static uint8_t *read_archive(const char *path, uint32_t *size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD high = 0;
    DWORD n = GetFileSize(file, &high);
    uint8_t *bytes = nullptr;
    if (high == 0 && n != INVALID_FILE_SIZE && n > 0)
        bytes = (uint8_t *)VirtualAlloc(nullptr, n, MEM_COMMIT, PAGE_READWRITE);
    DWORD got = 0;
    if (bytes && (!ReadFile(file, bytes, n, &got, nullptr) || got != n)) {
        VirtualFree(bytes, 0, MEM_RELEASE);
        bytes = nullptr;
    }
    CloseHandle(file);
    *size = n;
    return bytes;
}

static ExtractedMember *extract_members(const uint8_t *archive, uint32_t size)
{
    HMODULE library = LoadLibraryA("pexlin.dll");
    if (!library)
        return nullptr;
    ArchiveEntry entry = (ArchiveEntry)(void *)GetProcAddress(library, "check_and_process_arc");
    ExtractedMember *members = entry ? entry(archive, size, nullptr, nullptr) : nullptr;
    // The records are the caller's from now on (page allocations), so the library can go.
    FreeLibrary(library);
    return members;
}

bool open_packed_modules(const char *path)
{
    uint32_t size = 0;
    uint8_t *archive = read_archive(path, &size);
    if (!archive)
        return false;
    ExtractedMember *members = extract_members(archive, size);
    VirtualFree(archive, 0, MEM_RELEASE);
    bool opened = false;
    while (members) {
        ExtractedMember *next = members->next;
        char member[PEXLIN_NAME_MAX + 1];
        lstrcpynA(member, members->name, sizeof member);
        if (!is_text_member_name(member)) {
            char name[MAX_PATH];
            packed_member_name(name, sizeof name, path, member);
            ModuleImage image = {members->data, members->size, name};
            HWND window = create_module_window();
            if (window)
                SendMessageA(window, WMU_OPENIMAGE, 0, (LPARAM)&image);
            opened = true;
        }
        // Each window's library call made its own copy of the module.
        if (members->data)
            VirtualFree(members->data, 0, MEM_RELEASE);
        VirtualFree(members, 0, MEM_RELEASE);
        members = next;
    }
    return opened;
}
