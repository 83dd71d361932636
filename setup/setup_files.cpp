#include "setup_files.h"

#include <shlobj.h>

bool write_all(HANDLE file, const void *bytes, DWORD count)
{
    const char *p = (const char *)bytes;
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(file, p, count, &written, nullptr) || written == 0)
            return false;
        p += written;
        count -= written;
    }
    return true;
}

bool extract_resource(int id, const char *path, DWORD disposition)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), (LPCSTR)RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void *bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return false;
    DWORD size = SizeofResource(nullptr, found);
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool whole = write_all(file, bytes, size);
    // Closing flushes; a file the system could not finish counts as not written.
    if (!CloseHandle(file))
        whole = false;
    if (!whole)
        DeleteFileA(path);
    return whole;
}

bool browse_folder(char *path, const char *title)
{
    BROWSEINFOA bi = {};
    char display[MAX_PATH];
    bi.pszDisplayName = display;
    bi.lpszTitle = title;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    if (!chosen)
        return false;
    char folder[MAX_PATH];
    bool ok = SHGetPathFromIDListA(chosen, folder) != FALSE;
    CoTaskMemFree(chosen);
    if (ok)
        lstrcpynA(path, folder, sizeof folder);
    return ok;
}
