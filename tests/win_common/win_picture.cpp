#include "win_picture.h"

#include "fixtures.h"
#include "win_dialogs.h"

#include <gtest/gtest.h>

#include <stdlib.h>

void screenshot(HWND window, const char *name)
{
    const char *folder = getenv("SCREENSHOTS");
    if (!folder)
        return;
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump();
    Sleep(300); // another process's window draws in its own time
    RECT r;
    GetWindowRect(window, &r);
    int w = r.right - r.left, h = r.bottom - r.top, size = ((w * 3 + 3) & ~3) * h;
    BITMAPINFOHEADER bi = {sizeof bi, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPFILEHEADER fh = {0x4D42, (DWORD)(sizeof fh + sizeof bi + size), 0, 0,
                           sizeof fh + sizeof bi};
    void *bits = nullptr;
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, (BITMAPINFO *)&bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    Bytes file((uint8_t *)&fh, (uint8_t *)&fh + sizeof fh);
    file.insert(file.end(), (uint8_t *)&bi, (uint8_t *)&bi + sizeof bi);
    if (bits)
        file.insert(file.end(), (uint8_t *)bits, (uint8_t *)bits + size);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(bits && write_file(std::string(folder) + "\\" + name + ".bmp", file)) << name;
}

int pixels_of(HWND window, COLORREF colour, const RECT *r)
{
    RECT all;
    GetClientRect(window, &all);
    if (!r)
        r = &all;
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    HDC dc = GetDC(window);
    int n = 0;
    for (int y = r->top; y < r->bottom; y++)
        for (int x = r->left; x < r->right; x++)
            n += GetPixel(dc, x, y) == colour;
    ReleaseDC(window, dc);
    return n;
}
