// The frame window of the grabber: one MDI frame holding a toolbar and the MDI client.
// Commands for a module go to the active module window as private messages.
#include "frame.h"
#include "about_box.h"
#include "app_state.h"
#include "command_line.h"
#include "module_window.h"
#include "packed_open.h"
#include "player.h"
#include "resource.h"
#include "settings_file.h"
#include "sound_prefs.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

AppState g_app;
const char AppCaption[] = "Virn";
const char SelectSampleText[] = "You must select sample from list";

static const char FrameClass[] = "Virn";
static const char ModuleClass[] = "MDI_Child";

static bool browse_for_folder(char *path)
{
    BROWSEINFOA bi = {};
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = SHBrowseForFolderA(&bi);
    if (!item)
        return false;
    bool ok = SHGetPathFromIDListA(item, path) != FALSE;
    CoTaskMemFree(item);
    return ok;
}

ShellHooks g_shell = {GetOpenFileNameA, GetSaveFileNameA, browse_for_folder, WriteFile};

struct ToolbarButton {
    int image;
    int command; // 0: a separator
};

static const ToolbarButton Buttons[] = {
    {0, IDM_OPEN},
    {0, 0},
    {1, IDM_GRABCURRENT},
    {2, IDM_GRABCHECKED},
    {0, 0},
    {3, IDM_CHECKALL},
    {4, IDM_RESETSELECTION},
    {0, 0},
    {5, IDM_PLAY},
    {0, 0},
    {6, IDM_SAMPLEINFO},
    {0, 0},
};

static void register_classes(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.style = CS_BYTEALIGNWINDOW;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VIRN));

    wc.lpfnWndProc = frame_proc;
    wc.lpszClassName = FrameClass;
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
    RegisterClassA(&wc);

    wc.lpfnWndProc = module_window_proc;
    wc.lpszClassName = ModuleClass;
    wc.lpszMenuName = nullptr;
    RegisterClassA(&wc);
}

bool app_init(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);
    InitCommonControls();
    g_app.heap = HeapCreate(0, 0, 0);
    g_app.instance = instance;
    register_classes(instance);
    return g_app.heap != nullptr;
}

// The strip's background is one colour connected to (1,1); it becomes the button face.
static void recolour_background(HBITMAP bitmap)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF background = GetPixel(dc, 1, 1);
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldBrush = SelectObject(dc, face);
    ExtFloodFill(dc, 1, 1, background, FLOODFILLSURFACE);
    SelectObject(dc, oldBrush);
    DeleteObject(face);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

static void create_toolbar(HWND frame)
{
    HWND tb = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT,
                              0, 0, 0, 0, frame, nullptr, g_app.instance, nullptr);
    g_app.toolbar = tb;
    SendMessageA(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(tb, TB_SETBITMAPSIZE, 0, MAKELPARAM(32, 32));
    g_app.toolbarBitmap = (HBITMAP)LoadImageA(g_app.instance, MAKEINTRESOURCEA(IDB_TOOLBAR),
                                              IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    recolour_background(g_app.toolbarBitmap);
    TBADDBITMAP add = {nullptr, (UINT_PTR)g_app.toolbarBitmap};
    SendMessageA(tb, TB_ADDBITMAP, 12, (LPARAM)&add);
    SendMessageA(tb, TB_SETBUTTONSIZE, 0, MAKELPARAM(32, 32));
    for (const ToolbarButton &b : Buttons) {
        TBBUTTON button = {};
        button.iBitmap = b.image;
        button.idCommand = b.command;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = b.command ? TBSTYLE_BUTTON : TBSTYLE_SEP;
        SendMessageA(tb, TB_ADDBUTTONSA, 1, (LPARAM)&button);
    }
}

static LRESULT on_create(HWND hwnd)
{
    g_app.frame = hwnd;
    g_app.frameClosing = false;
    create_toolbar(hwnd);

    // The class menu was made with the window; ours replaces it, so the frame owns
    // exactly one menu, which it destroys itself.
    HMENU classMenu = GetMenu(hwnd);
    g_app.menu = LoadMenuA(g_app.instance, MAKEINTRESOURCEA(IDR_MAINMENU));
    SetMenu(hwnd, g_app.menu);
    if (classMenu)
        DestroyMenu(classMenu);

    CLIENTCREATESTRUCT ccs = {GetSubMenu(g_app.menu, 4), 0};
    g_app.mdiClient =
        CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 0,
                        0, hwnd, nullptr, g_app.instance, &ccs);

    for (const std::string &file : g_app.commandLineFiles)
        open_module_file(file.c_str());
    return 0;
}

static HWND active_module_window()
{
    return (HWND)SendMessageA(g_app.mdiClient, WM_MDIGETACTIVE, 0, 0);
}

static void send_to_active(UINT message, LPARAM lParam = 0)
{
    HWND active = active_module_window();
    if (active)
        SendMessageA(active, message, 0, lParam);
}

static void on_open()
{
    static const char Filter[] =
        "All supported file types (it, s3m, mod, xm, stm, ptm, dbm, umx, mtm, psm, ult, mdz, "
        "s3z, xmz, itz, zip) \0"
        "*.it; *.s3m; *.mod; *.xm; *.stm; *.ptm; *.dbm; *.umx; *.mtm; *.psm; *.ult; *.mdz; "
        "*.s3z; *.xmz; *.itz; *.zip\0"
        "All Files\0*.*\0";
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = g_app.frame;
    ofn.lpstrFilter = Filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Open file";
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (g_shell.getOpenFileName(&ofn))
        open_module_file(path);
}

static void on_grab_checked()
{
    HWND target = active_module_window();
    char folder[MAX_PATH] = "";
    if (!g_shell.browseForFolder(folder))
        return;
    size_t n = strlen(folder);
    if (n > 0 && folder[n - 1] == '\\') // a drive root comes back as "C:\"
        folder[n - 1] = 0;
    if (target)
        SendMessageA(target, WMU_GRABCHECKED, 0, (LPARAM)folder);
}

static void on_close_all()
{
    for (HWND active; (active = active_module_window()) != nullptr;)
        SendMessageA(g_app.mdiClient, WM_MDIDESTROY, (WPARAM)active, 0);
}

static void on_command(HWND hwnd, int id)
{
    switch (id) {
    case IDM_OPEN:
        on_open();
        break;
    case IDM_EXIT:
        DestroyWindow(hwnd);
        break;
    case IDM_SAMPLEINFO:
        send_to_active(WMU_SAMPLEINFO);
        break;
    case IDM_CHECKALL:
        send_to_active(WMU_CHECKALL);
        break;
    case IDM_RESETSELECTION:
        send_to_active(WMU_UNCHECKALL);
        break;
    case IDM_SOUNDPREFS:
        run_sound_preferences(nullptr);
        break;
    case IDM_PLAY:
        send_to_active(WMU_PLAYCURRENT);
        break;
    case IDM_GRABCURRENT:
        send_to_active(WMU_GRABCURRENT);
        break;
    case IDM_GRABCHECKED:
        on_grab_checked();
        break;
    case IDM_TILEHORZ:
        SendMessageA(g_app.mdiClient, WM_MDITILE, MDITILE_HORIZONTAL, 0);
        break;
    case IDM_TILEVERT:
        SendMessageA(g_app.mdiClient, WM_MDITILE, MDITILE_VERTICAL, 0);
        break;
    case IDM_CASCADE:
        SendMessageA(g_app.mdiClient, WM_MDICASCADE, 0, 0);
        break;
    case IDM_NEXT:
        SendMessageA(g_app.mdiClient, WM_MDINEXT, 0, 0);
        break;
    case IDM_CLOSE: {
        HWND active = active_module_window();
        if (active)
            SendMessageA(g_app.mdiClient, WM_MDIDESTROY, (WPARAM)active, 0);
        break;
    }
    case IDM_CLOSEALL:
        on_close_all();
        break;
    case IDM_ABOUT:
        run_about_box(nullptr);
        break;
    }
}

static void on_drop(HDROP drop)
{
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; i++) {
        char path[MAX_PATH];
        if (DragQueryFileA(drop, i, path, sizeof path))
            open_module_file(path);
    }
    DragFinish(drop);
}

static void on_size(HWND hwnd)
{
    SendMessageA(g_app.toolbar, TB_AUTOSIZE, 0, 0);
    RECT tb, client;
    GetClientRect(g_app.toolbar, &tb);
    GetClientRect(hwnd, &client);
    MoveWindow(g_app.mdiClient, 0, tb.bottom + 2, client.right, client.bottom - tb.bottom, TRUE);
}

static void on_destroy(HWND hwnd)
{
    g_app.frameClosing = true;
    // A frame made again in the same process (the window tests) starts without a play.
    player_stop();
    SetMenu(hwnd, nullptr);
    DestroyMenu(g_app.menu);
    g_app.menu = nullptr;
    save_settings();
    PostQuitMessage(0);
}

LRESULT CALLBACK frame_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return on_create(hwnd);
    case WM_SIZE:
        on_size(hwnd);
        return 0;
    case WM_DESTROY:
        on_destroy(hwnd);
        return 0;
    case WM_NCDESTROY:
        // The toolbar, a child, is gone by now; so is its use of the strip.
        if (g_app.toolbarBitmap)
            DeleteObject(g_app.toolbarBitmap);
        g_app.toolbarBitmap = nullptr;
        g_app.frame = g_app.toolbar = g_app.mdiClient = nullptr;
        break;
    case WM_COMMAND:
        on_command(hwnd, LOWORD(wParam));
        break;
    case WM_DROPFILES:
        on_drop((HDROP)wParam);
        break;
    }
    return DefFrameProcA(hwnd, g_app.mdiClient, message, wParam, lParam);
}

HWND create_frame(const std::vector<std::string> &files)
{
    g_app.commandLineFiles = files;
    int x = (GetSystemMetrics(SM_CXSCREEN) - 500) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - 500) / 2;
    return CreateWindowExA(WS_EX_ACCEPTFILES, FrameClass, "Virn", WS_OVERLAPPEDWINDOW, x, y, 500,
                           500, nullptr, nullptr, g_app.instance, nullptr);
}

void open_module_file(const char *path)
{
    if (is_packed_module_name(path) && open_packed_modules(path))
        return;
    HWND window = create_module_window();
    if (window)
        SendMessageA(window, WMU_OPENFILE, 0, (LPARAM)path);
}

int run_grabber(HINSTANCE instance, const char *commandLine)
{
    std::vector<std::string> files = command_line_arguments(commandLine);
    app_init(instance);
    HWND frame = create_frame(files);
    g_app.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);
    load_settings(frame);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // A key that made an accelerator command is dispatched too; no window here
        // gives Ctrl plus a letter a meaning of its own.
        TranslateAcceleratorA(frame, g_app.accelerators, &msg);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    HeapDestroy(g_app.heap);
    return 0;
}
