// Pictures of the plug-in's configuration dialog and about box for the README, taken by
// `make screenshots` (plugin/tools/screenshots), which runs this disabled test with
// PLUGIN_SCREENSHOTS set to a folder. Each dialog is copied from the screen into a 24-bit
// BMP there.
#include "win_harness.h"

#include "about_box.h"
#include "config_dialog.h"
#include "plugin_state.h"

#include <stdlib.h>
#include <string.h>

namespace
{

std::string g_folder;

void capture(HWND window, const std::string &name)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetWindowRect(window, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    uint32_t row = ((uint32_t)w * 3 + 3) & ~3u;
    Bytes file = {'B', 'M'};
    put_le32(file, 54 + row * (uint32_t)h);
    put_le32(file, 0);
    put_le32(file, 54);
    const uint8_t *header = (const uint8_t *)&bi.bmiHeader;
    file.insert(file.end(), header, header + 40);
    const uint8_t *pixels = (const uint8_t *)bits;
    file.insert(file.end(), pixels, pixels + row * (uint32_t)h);
    DeleteObject(bitmap);
    EXPECT_TRUE(write_file(g_folder + "\\" + name + ".bmp", file)) << name;
}

} // namespace

TEST(PluginPictures, DISABLED_Dialogs)
{
    const char *folder = getenv("PLUGIN_SCREENSHOTS");
    ASSERT_NE(nullptr, folder) << "PLUGIN_SCREENSHOTS names the output folder";
    g_folder = folder;
    fake_host_start(work_folder("pictures"));
    settings_defaults(&g_settings);
    strcpy(g_settings.commandLine, "C:\\Program Files\\Virn\\Virn.exe %mod");
    g_pendingLibraryOutput = 0;
    expect_dialog([](HWND dialog) {
        capture(dialog, "plugin-config");
        click(dialog, IDCANCEL);
    });
    config_dialog(g_fakeHost.window);
    about_box_init(g_pluginInstance);
    expect_dialog([](HWND dialog) {
        capture(dialog, "plugin-about");
        click(dialog, IDOK);
    });
    about_box(g_fakeHost.window);
    EXPECT_EQ(0u, unanswered_dialogs());
}
