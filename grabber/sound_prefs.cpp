// The device list holds the waveOut devices, the wave mapper and the DirectSound devices,
// each with its OutputDevice value as item data; the trackbar shows the volume on a
// 0 (loudest) .. 100 scale whose unit follows the kind of device.
#include "sound_prefs.h"
#include "app_state.h"
#include "dsound_devices.h"
#include "resource.h"
#include "settings_format.h"

#include <commctrl.h>
#include <mmsystem.h>

enum { DSOUND_IMAGE = 0, WAVEOUT_IMAGE = 1 };

static void add_device(HWND combo, const char *text, int image, uint32_t device)
{
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
    item.iItem = (INT_PTR)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    item.pszText = (char *)text;
    item.iImage = item.iSelectedImage = image;
    item.lParam = (LPARAM)device;
    INT_PTR index = SendMessageA(combo, CBEM_INSERTITEMA, 0, (LPARAM)&item);
    if (index >= 0 && device == g_app.outputDevice)
        SendMessageA(combo, CB_SETCURSEL, (WPARAM)index, 0);
}

static void add_dsound_device(uint32_t reference, const char *description, void *context)
{
    add_device((HWND)context, description, DSOUND_IMAGE, reference);
}

static void on_init(HWND dialog)
{
    HIMAGELIST images = ImageList_Create(16, 16, ILC_MASK | ILC_COLOR24, 1, 0);
    ImageList_AddIcon(images, (HICON)LoadImageA(g_app.instance, MAKEINTRESOURCEA(IDI_DSOUND),
                                                IMAGE_ICON, 16, 16, 0));
    ImageList_AddIcon(images, (HICON)LoadImageA(g_app.instance, MAKEINTRESOURCEA(IDI_WAVEOUT),
                                                IMAGE_ICON, 16, 16, 0));
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)images);

    HWND combo = GetDlgItem(dialog, IDC_DEVICE_LIST);
    UINT count = waveOutGetNumDevs();
    for (UINT n = 0; n < count && n < 0xFFFF; n++) {
        WAVEOUTCAPSA caps = {};
        waveOutGetDevCapsA(n, &caps, sizeof caps);
        add_device(combo, caps.szPname, WAVEOUT_IMAGE, WAVEOUT_DEVICE_BASE + n);
    }
    add_device(combo, "Wave Mapper (Auto select)", WAVEOUT_IMAGE, WAVE_MAPPER_DEVICE);
    enumerate_dsound_devices(add_dsound_device, combo);
    SendMessageA(combo, CBEM_SETIMAGELIST, 0, (LPARAM)images);

    HWND volume = GetDlgItem(dialog, IDC_VOLUME);
    SendMessageA(volume, TBM_SETRANGE, TRUE, MAKELPARAM(0, VOLUME_POSITION_MAX));
    for (int tick = 0; tick < VOLUME_POSITION_MAX; tick += 5)
        SendMessageA(volume, TBM_SETTIC, 0, tick);
    SendMessageA(volume, TBM_SETPOS, TRUE,
                 position_from_volume(g_app.outputDevice, g_app.outputVolume));
}

static void end(HWND dialog)
{
    ImageList_Destroy((HIMAGELIST)GetWindowLongPtrA(dialog, DWLP_USER));
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    EndDialog(dialog, 0);
}

static void on_ok(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDC_DEVICE_LIST);
    INT_PTR selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    // No selection (a saved device that is gone): the device stays as it was.
    uint32_t device = g_app.outputDevice;
    if (selected >= 0) {
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_LPARAM;
        item.iItem = selected;
        if (SendMessageA(combo, CBEM_GETITEMA, 0, (LPARAM)&item))
            device = (uint32_t)item.lParam;
    }
    int position = (int)SendDlgItemMessageA(dialog, IDC_VOLUME, TBM_GETPOS, 0, 0);
    g_app.outputVolume = volume_from_position(device, position);
    if (g_app.playing && device != g_app.outputDevice) {
        MessageBoxA(g_app.frame, "Unable to change output device while playing", AppCaption,
                    MB_OK | MB_ICONWARNING);
        return;
    }
    g_app.outputDevice = device;
    end(dialog);
}

static INT_PTR CALLBACK sound_prefs_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        on_init(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            on_ok(dialog);
            return TRUE;
        case IDCANCEL:
            end(dialog);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        end(dialog);
        return TRUE;
    }
    return FALSE;
}

void run_sound_preferences(HWND owner)
{
    DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_SOUNDPREFS), owner, sound_prefs_proc, 0);
}
