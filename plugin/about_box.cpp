#include "about_box.h"
#include "plugin_state.h"
#include "resource.h"

#include <shellapi.h>

HINSTANCE(WINAPI *g_openLink)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;

namespace
{

enum { LINK_NORMAL, LINK_HOVERED, LINK_PRESSED };

struct Link {
    int id;
    const char *text;
    const char *target;
    HWND window;
    WNDPROC previous;
    int state;
};

Link g_links[] = {
    {IDC_LINK_MAIL, "quorvel@example.org", "mailto:quorvel@example.org", nullptr, nullptr, 0},
    {IDC_LINK_LIBRARY, "http://bass.example.org/", "http://bass.example.org/", nullptr, nullptr, 0},
    {IDC_LINK_SUPPORT, "http://modules.example.net/", "http://modules.example.net/", nullptr,
     nullptr, 0},
};

// Text colour of each state, as (red, green, blue).
const COLORREF StateColours[] = {RGB(0, 0, 188), RGB(0, 0, 255), RGB(222, 0, 0)};

HCURSOR g_hand;

Link *link_of(HWND window)
{
    for (Link &l : g_links)
        if (l.window == window)
            return &l;
    return nullptr;
}

void draw(Link *link, HDC dc)
{
    LOGFONTA description;
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    description.lfUnderline = TRUE;
    HFONT font = CreateFontIndirectA(&description);
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, StateColours[link->state]);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    TextOutA(dc, 0, 0, link->text, lstrlenA(link->text));
    SelectObject(dc, old);
    DeleteObject(font);
}

void set_state(Link *link, int state)
{
    link->state = state;
    InvalidateRect(link->window, nullptr, TRUE);
}

LRESULT CALLBACK link_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Link *link = link_of(window);
    if (!link)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCHITTEST:
        return HTCLIENT; // a static text gets no mouse input otherwise
    case WM_SETCURSOR:
        SetCapture(window);
        set_state(link, LINK_HOVERED);
        SetCursor(g_hand);
        return TRUE;
    case WM_MOUSEMOVE: {
        RECT client;
        GetClientRect(window, &client);
        POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        if (!PtInRect(&client, at))
            ReleaseCapture();
        return 0;
    }
    case WM_CAPTURECHANGED:
        set_state(link, LINK_NORMAL);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        return 0;
    case WM_LBUTTONDOWN:
        set_state(link, LINK_PRESSED);
        return 0;
    case WM_LBUTTONUP:
        if (link->state == LINK_PRESSED) {
            // Released over the link (it holds the capture while the pointer is on it).
            set_state(link, LINK_HOVERED);
            g_openLink(nullptr, "open", link->target, nullptr, nullptr, SW_SHOW);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        draw(link, dc);
        EndPaint(window, &paint);
        return 0;
    }
    }
    return CallWindowProcA(link->previous, window, message, wParam, lParam);
}

void OnInitDialog(HWND dialog)
{
    for (Link &l : g_links) {
        l.window = GetDlgItem(dialog, l.id);
        l.state = LINK_NORMAL;
        l.previous = (WNDPROC)SetWindowLongPtrA(l.window, GWLP_WNDPROC, (LONG_PTR)link_proc);
    }
}

void restore_links()
{
    for (Link &l : g_links) {
        if (l.window && l.previous)
            SetWindowLongPtrA(l.window, GWLP_WNDPROC, (LONG_PTR)l.previous);
        l.window = nullptr;
        l.previous = nullptr;
    }
}

INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        // Only OK ends the box; Escape (IDCANCEL) is ignored.
        if (LOWORD(wParam) == IDOK) {
            restore_links();
            EndDialog(dialog, 0);
        }
        return TRUE;
    case WM_CLOSE:
        restore_links();
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

} // namespace

void about_box_init(HINSTANCE plugin)
{
    g_hand = LoadCursorA(plugin, MAKEINTRESOURCEA(IDR_HAND_CURSOR));
    if (!g_hand)
        g_hand = LoadCursor(nullptr, IDC_ARROW);
}

void about_box(HWND parent)
{
    DialogBoxParamA(g_pluginInstance, MAKEINTRESOURCEA(IDD_ABOUT), parent, about_proc, 0);
}
