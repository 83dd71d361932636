#include "packed_modules.h"
#include "plugin_state.h"
#include "winamp_records.h"

PackedList g_packedList;

typedef ExtractedMember *(__stdcall *ProcessArchive)(const uint8_t *, uint32_t, ExtractedMember *,
                                                     const char *);

uint8_t *read_file_image(const char *path, uint32_t *size)
{
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    DWORD high = 0;
    DWORD length = GetFileSize(file, &high);
    uint8_t *image = nullptr;
    if (length != INVALID_FILE_SIZE && high == 0 && length > 0)
        image = (uint8_t *)VirtualAlloc(nullptr, length, MEM_COMMIT, PAGE_READWRITE);
    DWORD done = 0;
    while (image && done < length) {
        DWORD got = 0;
        if (!ReadFile(file, image + done, length - done, &got, nullptr) || got == 0) {
            VirtualFree(image, 0, MEM_RELEASE);
            image = nullptr;
        }
        done += got;
    }
    CloseHandle(file);
    if (image)
        *size = length;
    return image;
}

static void release_file_image(uint8_t *image)
{
    VirtualFree(image, 0, MEM_RELEASE);
}

// The library is loaded for this one call and unloaded again; without it (or its entry
// point) no file is a packed module.
static ExtractedMember *process_archive(const uint8_t *archive, uint32_t size,
                                        ExtractedMember *appendAfter, const char *wantedName)
{
    HMODULE library = LoadLibraryA("pexlin.dll");
    if (!library)
        return nullptr;
    ProcessArchive process =
        (ProcessArchive)(void *)GetProcAddress(library, "check_and_process_arc");
    ExtractedMember *first = process ? process(archive, size, appendAfter, wantedName) : nullptr;
    FreeLibrary(library);
    return first;
}

static void release_record(ExtractedMember *record)
{
    if (record->data)
        VirtualFree(record->data, 0, MEM_RELEASE);
    VirtualFree(record, 0, MEM_RELEASE);
}

static void enqueue_entry(const char *entryName)
{
    EnqueueFile entry = {entryName, nullptr, 0};
    SendMessageA(g_hostWindow, WM_USER, (WPARAM)&entry, IPC_PLAYFILE);
}

const ArchiveAccess g_archiveAccess = {read_file_image, release_file_image, process_archive,
                                       release_record, enqueue_entry};

bool expand_archive(const char *file)
{
    return expand_archive(&g_packedList, &g_archiveAccess, file);
}

bool load_image(const char *name, ModuleImage *image)
{
    return load_image(&g_packedList, &g_archiveAccess, name, image);
}

void release_image(ModuleImage *image)
{
    release_image(&g_archiveAccess, image);
}

void release_list()
{
    release_list(&g_packedList, &g_archiveAccess);
}
