// Samples leave the program here: the raw bytes as stored in the module, or a WAV image
// built from the decoded PCM and the window's (possibly edited) catalog copy. A file that
// cannot be written completely is deleted, so a full disk leaves no half-written sample.
#include "grab.h"
#include "file_names.h"
#include "grab_buffer.h"
#include "module_window.h"
#include "wav_image.h"

#include <string.h>

static const char WriteErrorText[] = "An error ocurred while creating output file";
static const char WriteErrorCaption[] = "Error";
static const char TooLargeText[] = "This sample is too large to grab.";
static const char NoMemoryText[] = "Not enough memory to grab this sample.";

// One sample in memory, ready to be written.
struct GrabBuffer {
    uint8_t *bytes;
    uint32_t count;
};

static void release(GrabBuffer *b)
{
    if (b->bytes)
        VirtualFree(b->bytes, 0, MEM_RELEASE);
    b->bytes = nullptr;
}

// Fills the buffer with the row's raw data or WAV image; false after telling the user.
static bool prepare(HWND window, const ModuleWindowData *d, int row, bool raw, GrabBuffer *b)
{
    const CatalogEntry *e = &d->catalog[row];
    uint32_t size;
    b->bytes = nullptr;
    if (!grab_buffer_size(e, &size)) {
        MessageBoxA(window, TooLargeText, AppCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    b->bytes = (uint8_t *)VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!b->bytes) {
        MessageBoxA(window, NoMemoryText, AppCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (raw) {
        VIRN_GetSampleAsIs(d->module, (unsigned)row, b->bytes);
        b->count = e->length;
    } else {
        b->count = build_wav_image(e, (unsigned)row, b->bytes, d->module);
    }
    return true;
}

// Creates (or replaces) the file and writes the whole buffer. A short or failed write
// removes the file again. False after the error message.
static bool write_out(HWND window, const char *path, const GrabBuffer *b)
{
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = file != INVALID_HANDLE_VALUE;
    if (ok) {
        DWORD written = 0;
        ok = g_shell.writeFile(file, b->bytes, b->count, &written, nullptr) && written == b->count;
        ok = CloseHandle(file) && ok;
        if (!ok)
            DeleteFileA(path);
    }
    if (!ok)
        MessageBoxA(window, WriteErrorText, WriteErrorCaption, MB_OK | MB_ICONWARNING);
    return ok;
}

static bool ask_raw(HWND window, const char *question)
{
    return MessageBoxA(window, question, AppCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void grab_current(HWND window, ModuleWindowData *d)
{
    int row = current_row(d);
    if (row == NO_CURRENT_ROW) {
        MessageBoxA(window, SelectSampleText, AppCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    const CatalogEntry *e = &d->catalog[row];
    if (e->info.byteLength == 0)
        return;
    bool raw = ask_raw(window, "Do you want to grab sample as a raw data?");
    GrabBuffer b;
    if (!prepare(window, d, row, raw, &b))
        return;

    // The name comes from the module: characters a file name cannot hold are replaced
    // before it is offered, so the dialog starts from a usable name.
    char name[sizeof e->name + 1];
    memcpy(name, e->name, sizeof e->name);
    name[sizeof e->name] = 0;
    char path[MAX_PATH];
    safe_file_part(name, path, sizeof path);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = g_app.frame;
    ofn.lpstrFilter = "WAV Files\0*.wav\0RAW data files\0*.bin\0All Files\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Save as...";
    // The dialog appends one extension to a bare name: the one of the chosen kind.
    ofn.lpstrDefExt = raw ? "bin" : "wav";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (g_shell.getSaveFileName(&ofn) && write_out(window, path, &b))
        set_row_checked(d, row, false);
    release(&b);
}

void grab_checked(HWND window, ModuleWindowData *d, const char *folder)
{
    bool raw = ask_raw(window, "Do you want to grab checked samples as a raw data?");
    for (int row = 0; row < d->entryCount; row++) {
        if (!row_checked(d, row))
            continue;
        const CatalogEntry *e = &d->catalog[row];
        if (e->info.byteLength == 0)
            continue; // stays checked: there is nothing to write
        char name[sizeof e->name + 1];
        memcpy(name, e->name, sizeof e->name);
        name[sizeof e->name] = 0;
        char path[MAX_PATH];
        if (!batch_file_name(path, sizeof path, folder, name, row + 1, raw ? "bin" : "wav")) {
            // Not even "(001).wav" fits behind the folder: nothing of the batch can be
            // written there.
            MessageBoxA(window, WriteErrorText, WriteErrorCaption, MB_OK | MB_ICONWARNING);
            return;
        }
        GrabBuffer b;
        if (!prepare(window, d, row, raw, &b))
            return;
        bool ok = write_out(window, path, &b);
        release(&b);
        if (!ok)
            return;
        set_row_checked(d, row, false);
        UpdateWindow(d->list);
    }
}
