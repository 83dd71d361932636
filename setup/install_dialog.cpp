#include "install_dialog.h"

#include "install_action.h"
#include "resource.h"
#include "settings_image.h"
#include "setup_files.h"

namespace
{

// A toggle with the controls it switches off and the step's flag.
struct Group {
    int toggle, folder, browse, status;
    uint32_t *handled;
};

const Group Groups[] = {
    {IDC_PLUGIN_TOGGLE, IDC_PLUGIN_FOLDER, IDC_PLUGIN_BROWSE, IDC_PLUGIN_STATUS, &pluginHandled},
    {IDC_GRABBER_TOGGLE, IDC_GRABBER_FOLDER, IDC_GRABBER_BROWSE, IDC_GRABBER_STATUS,
     &grabberHandled},
};

HICON load_icon(int id, int size)
{
    return (HICON)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size,
                             size, LR_DEFAULTCOLOR);
}

BOOL OnInitDialog(HWND dialog)
{
    HICON notInstalled = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_NOT_INSTALLED));
    SendDlgItemMessageA(dialog, IDC_PLUGIN_ICON, STM_SETICON, (WPARAM)notInstalled, 0);
    SendDlgItemMessageA(dialog, IDC_GRABBER_ICON, STM_SETICON, (WPARAM)notInstalled, 0);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)load_icon(IDI_SETUP, 16));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)load_icon(IDI_SETUP, 32));
    SendDlgItemMessageA(dialog, IDC_PLUGIN_FOLDER, EM_LIMITTEXT, SETUP_PATH_MAX, 0);
    SendDlgItemMessageA(dialog, IDC_GRABBER_FOLDER, EM_LIMITTEXT, SETUP_PATH_MAX, 0);
    return TRUE;
}

// Checked switches the step off and greys its controls; unchecked arms it again, also
// after it has run.
void OnToggle(HWND dialog, const Group &g)
{
    bool off = IsDlgButtonChecked(dialog, g.toggle) == BST_CHECKED;
    *g.handled = off ? SWITCHED_OFF : 0;
    EnableWindow(GetDlgItem(dialog, g.folder), !off);
    EnableWindow(GetDlgItem(dialog, g.browse), !off);
    EnableWindow(GetDlgItem(dialog, g.status), !off);
}

void OnBrowse(HWND dialog, int field, const char *title)
{
    char path[SETUP_PATH_MAX + 1] = "";
    if (browse_folder(path, title))
        SetDlgItemTextA(dialog, field, path);
}

void OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
        install(dialog);
        return;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return;
    case IDC_PLUGIN_BROWSE:
        OnBrowse(dialog, IDC_PLUGIN_FOLDER, "Specify Winamp directory");
        return;
    case IDC_GRABBER_BROWSE:
        OnBrowse(dialog, IDC_GRABBER_FOLDER, "Specify destination directory for Virn");
        return;
    }
    for (const Group &g : Groups)
        if (id == g.toggle)
            OnToggle(dialog, g);
}

} // namespace

INT_PTR CALLBACK install_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}
