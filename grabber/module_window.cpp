// A module window lists the catalog of one module. Rows are addressed by full int
// indexes: modules with more than 255 entries exist (IT, XM), and the library keeps up to
// 4000.
#include "module_window.h"
#include "grab.h"
#include "player.h"
#include "sample_info.h"
#include "window_titles.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

static const char NotAModuleText[] = "Does not looks like supported module...";
static const char NoMemoryText[] = "Not enough memory to read this file.";

struct Column {
    const char *title;
    int format;
    int width;
};

// The first header is one byte, the numero sign of code page 1251 (Cyrillic systems show
// it as such; others show the byte in their own code page).
static const Column Columns[] = {
    {"\xB9", LVCFMT_CENTER, 30},           {"Name", LVCFMT_LEFT, 179},
    {"Length (bytes) ", LVCFMT_RIGHT, 92}, {"freq.", LVCFMT_RIGHT, 69},
    {"channels", LVCFMT_RIGHT, 50},        {"resolution", LVCFMT_RIGHT, 35},
};

static ModuleWindowData *data_of(HWND hwnd)
{
    return (ModuleWindowData *)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
}

HWND create_module_window()
{
    RECT tb, client;
    GetClientRect(g_app.toolbar, &tb);
    GetClientRect(g_app.frame, &client);
    int h = tb.bottom + 5;
    HWND hwnd =
        CreateWindowExA(WS_EX_MDICHILD, "MDI_Child", "", 0, 0, 0, client.right - 5,
                        client.bottom - h, g_app.mdiClient, nullptr, g_app.instance, nullptr);
    if (hwnd)
        ShowWindow(hwnd, SW_HIDE);
    return hwnd;
}

void close_module_window(HWND hwnd)
{
    SendMessageA(g_app.mdiClient, WM_MDIDESTROY, (WPARAM)hwnd, 0);
}

int current_row(const ModuleWindowData *d)
{
    int row = (int)SendMessageA(d->list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED);
    return row >= 0 && row < d->entryCount ? row : NO_CURRENT_ROW;
}

bool row_checked(const ModuleWindowData *d, int row)
{
    UINT state = (UINT)SendMessageA(d->list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
    return (state >> 12) != 1;
}

void set_row_checked(const ModuleWindowData *d, int row, bool checked)
{
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(d->list, LVM_SETITEMSTATE, row, (LPARAM)&item);
}

static LRESULT on_create(HWND hwnd)
{
    ModuleWindowData *d =
        (ModuleWindowData *)HeapAlloc(g_app.heap, HEAP_ZERO_MEMORY, sizeof(ModuleWindowData));
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, (LONG_PTR)d);
    if (!d)
        return -1;
    d->list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOSORTHEADER, 0, 25, 0, 0,
                              hwnd, nullptr, g_app.instance, nullptr);
    SendMessageA(d->list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_HEADERDRAGDROP |
                     LVS_EX_FULLROWSELECT);
    SendMessageA(d->list, LVM_SETBKCOLOR, 0, ListColour);
    SendMessageA(d->list, LVM_SETTEXTBKCOLOR, 0, ListColour);
    for (int i = 0; i < 6; i++) {
        LVCOLUMNA c = {};
        c.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        c.fmt = Columns[i].format;
        c.cx = Columns[i].width;
        c.pszText = (char *)Columns[i].title;
        SendMessageA(d->list, LVM_INSERTCOLUMNA, i, (LPARAM)&c);
    }
    return 0;
}

static void on_size(HWND hwnd, ModuleWindowData *d)
{
    RECT r;
    GetClientRect(hwnd, &r);
    static const int Fixed[6] = {40, 0, 90, 50, 70, 70};
    for (int i = 0; i < 6; i++) {
        int width = i == 1 ? (int)((unsigned)(r.right - 324) % 65536) : Fixed[i];
        SendMessageA(d->list, LVM_SETCOLUMNWIDTH, i, width);
    }
    MoveWindow(d->list, 0, 0, r.right, r.bottom, TRUE);
}

static void set_text(HWND list, int row, int column, const char *text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = (char *)text;
    SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&item);
}

const CatalogEntry *library_entry(ModuleHandle module, int row)
{
    const uint8_t *info = (const uint8_t *)VIRN_GetSampleInfo(module, (unsigned)row);
    return (const CatalogEntry *)(info - offsetof(CatalogEntry, info));
}

static void fill_list(ModuleWindowData *d)
{
    SendMessageA(d->list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(d->list, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < d->entryCount; i++) {
        const CatalogEntry *e = library_entry(d->module, i);
        char text[48];
        snprintf(text, sizeof text, "%d", i + 1);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        SendMessageA(d->list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        char name[sizeof e->name + 1];
        memcpy(name, e->name, sizeof e->name);
        name[sizeof e->name] = 0;
        set_text(d->list, i, 1, name[0] ? name : "-none-");
        const uint32_t values[4] = {e->info.byteLength, e->rate, e->channels, e->bits};
        for (int c = 0; c < 4; c++) {
            snprintf(text, sizeof text, "%d", (int)values[c]);
            set_text(d->list, i, 2 + c, text);
        }
        set_row_checked(d, i, false);
    }
    SendMessageA(d->list, WM_SETREDRAW, TRUE, 0);
}

static void set_frame_title(const char *song)
{
    char title[MAX_PATH];
    frame_title(title, sizeof title, song);
    SetWindowTextA(g_app.frame, title);
}

// Loads the module from bytes in memory; false when the window has closed itself.
static bool load_module(HWND hwnd, ModuleWindowData *d, const uint8_t *bytes, uint32_t size,
                        const char *fileName)
{
    static const uint8_t Empty[1] = {0};
    ModuleHandle module = VIRN_LoadModule(size ? bytes : Empty, size);
    if (!module) {
        MessageBoxA(hwnd, NotAModuleText, AppCaption, MB_OK | MB_ICONWARNING);
        close_module_window(hwnd);
        return false;
    }
    int count = VIRN_GetNumberOfSamples(module, 0);
    // At least one page, so that a module without entries still has a copy to point at.
    size_t bytesNeeded = (size_t)count * sizeof(CatalogEntry);
    d->catalog = (CatalogEntry *)VirtualAlloc(nullptr, bytesNeeded ? bytesNeeded : 1, MEM_COMMIT,
                                              PAGE_READWRITE);
    if (!d->catalog) {
        VIRN_FreeModule(module);
        MessageBoxA(hwnd, NoMemoryText, AppCaption, MB_OK | MB_ICONWARNING);
        close_module_window(hwnd);
        return false;
    }
    memcpy(d->catalog, ScGetCatalog(module), bytesNeeded);
    d->entryCount = count;
    d->module = module;
    fill_list(d);

    const char *song = VIRN_GetSongName(module);
    char title[MAX_PATH];
    module_window_title(title, sizeof title, song, fileName);
    SetWindowTextA(hwnd, title);
    set_frame_title(song);
    ShowWindow(hwnd, SW_SHOW);
    SendMessageA(g_app.mdiClient, WM_MDIACTIVATE, (WPARAM)hwnd, 0);
    return true;
}

static LRESULT on_open_file(HWND hwnd, ModuleWindowData *d, const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        close_module_window(hwnd);
        return 1;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    // The library takes 32-bit sizes; a file of 4 GB or more could never be a module copy.
    uint8_t *bytes = nullptr;
    if (high == 0 && size != INVALID_FILE_SIZE && size > 0)
        bytes = (uint8_t *)VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!bytes && (high != 0 || size != 0)) {
        CloseHandle(file);
        MessageBoxA(hwnd, NoMemoryText, AppCaption, MB_OK | MB_ICONWARNING);
        close_module_window(hwnd);
        return 1;
    }
    DWORD got = 0;
    BOOL read = size ? ReadFile(file, bytes, size, &got, nullptr) : TRUE;
    CloseHandle(file);
    if (!read || got != size) {
        // Unreadable is treated like missing: the window goes away quietly.
        VirtualFree(bytes, 0, MEM_RELEASE);
        close_module_window(hwnd);
        return 1;
    }
    bool loaded = load_module(hwnd, d, bytes, size, file_name_part(path));
    if (bytes)
        VirtualFree(bytes, 0, MEM_RELEASE);
    return loaded ? 0 : 1;
}

static LRESULT on_custom_draw(NMLVCUSTOMDRAW *cd)
{
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        if (cd->nmcd.lItemlParam == EDITED_MARK) {
            cd->clrTextBk = EditedColour;
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    return CDRF_DODEFAULT;
}

static bool on_notify(HWND hwnd, ModuleWindowData *d, NMHDR *n, LRESULT *result)
{
    if (n->hwndFrom != d->list)
        return false;
    switch (n->code) {
    case NM_DBLCLK:
    case NM_RETURN:
        SendMessageA(hwnd, WMU_SAMPLEINFO, 0, 0);
        *result = 0;
        return true;
    case NM_CUSTOMDRAW:
        *result = on_custom_draw((NMLVCUSTOMDRAW *)n);
        return true;
    }
    return false;
}

static void open_sample_info(HWND hwnd, ModuleWindowData *d)
{
    int row = current_row(d);
    if (row == NO_CURRENT_ROW)
        MessageBoxA(hwnd, SelectSampleText, AppCaption, MB_OK | MB_ICONWARNING);
    else
        run_sample_info(d, row);
}

// Play starts the focused sample once, or stops whatever plays. A row that cannot play
// (empty, or without a loop end) neither starts nor stops anything.
static void play_current(HWND hwnd, ModuleWindowData *d)
{
    int row = current_row(d);
    if (row == NO_CURRENT_ROW) {
        MessageBoxA(hwnd, SelectSampleText, AppCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    const CatalogEntry *e = &d->catalog[row];
    if (e->info.byteLength == 0 || e->info.loopEnd == 0)
        return;
    if (g_app.playing) {
        player_stop();
        return;
    }
    PlayRequest r = {e, false, hwnd, d->module, row, true};
    player_start(&r);
}

static void check_all(ModuleWindowData *d, bool checked)
{
    for (int i = 0; i < d->entryCount; i++)
        set_row_checked(d, i, checked);
}

static void on_destroy(HWND hwnd, ModuleWindowData *d)
{
    if (!d)
        return;
    if (d->module)
        VIRN_FreeModule(d->module);
    if (d->catalog)
        VirtualFree(d->catalog, 0, MEM_RELEASE);
    HeapFree(g_app.heap, 0, d);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    // The frame's own shutdown takes its title with it; setting it then is pointless.
    if (g_app.frameClosing || !g_app.mdiClient)
        return;
    HWND active = (HWND)SendMessageA(g_app.mdiClient, WM_MDIGETACTIVE, 0, 0);
    if (!active || active == hwnd)
        SetWindowTextA(g_app.frame, AppCaption);
}

LRESULT CALLBACK module_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ModuleWindowData *d = data_of(hwnd);
    switch (message) {
    case WM_CREATE:
        if (on_create(hwnd) < 0)
            return -1;
        break;
    case WM_SIZE:
        if (d)
            on_size(hwnd, d);
        break;
    case WM_MDIACTIVATE:
        if (d && d->module && (HWND)lParam == hwnd)
            set_frame_title(VIRN_GetSongName(d->module));
        break;
    case WM_NOTIFY: {
        LRESULT result;
        if (d && on_notify(hwnd, d, (NMHDR *)lParam, &result))
            return result;
        break;
    }
    case WM_DESTROY:
        on_destroy(hwnd, d);
        break;
    case WMU_OPENFILE:
        return on_open_file(hwnd, d, (const char *)lParam);
    case WMU_OPENIMAGE: {
        const ModuleImage *image = (const ModuleImage *)lParam;
        return load_module(hwnd, d, image->bytes, image->size, image->displayName) ? 0 : 1;
    }
    case WMU_GRABCURRENT:
        if (d && d->module)
            grab_current(hwnd, d);
        return 0;
    case WMU_GRABCHECKED:
        if (d && d->module)
            grab_checked(hwnd, d, (const char *)lParam);
        return 0;
    case WMU_UNCHECKALL:
    case WMU_CHECKALL:
        if (d)
            check_all(d, message == WMU_CHECKALL);
        return 0;
    case WMU_SAMPLEINFO:
        if (d && d->module)
            open_sample_info(hwnd, d);
        return 0;
    case WMU_PLAYCURRENT:
        if (d && d->module)
            play_current(hwnd, d);
        return 0;
    case WMU_PLAYDONE:
        // The player has already restored the play button and the play state.
        return 0;
    }
    return DefMDIChildProcA(hwnd, message, wParam, lParam);
}
