#include "config_dialog.h"
#include "plugin_state.h"
#include "resource.h"

#include <stdio.h>
#include <string.h>

BOOL(WINAPI *g_pickProgram)(OPENFILENAMEA *request) = GetOpenFileNameA;

// Radio groups, top to bottom, in the order of the choice indexes of settings_format.h.
static const int FrequencyButtons[] = {IDC_FREQ_11025, IDC_FREQ_22050, IDC_FREQ_44100,
                                       IDC_FREQ_48000};
static const int RampButtons[] = {IDC_RAMP_FT2, IDC_RAMP_SENSITIVE, IDC_RAMP_NONE};
static const int ModButtons[] = {IDC_MOD_PT1, IDC_MOD_FT2, IDC_MOD_NORMAL};
static const int SurroundButtons[] = {IDC_SURROUND_1, IDC_SURROUND_2, IDC_SURROUND_NONE};
static const int SurroundControls[] = {IDC_SURROUND_GROUP, IDC_SURROUND_1, IDC_SURROUND_2,
                                       IDC_SURROUND_NONE};

struct ConfigDialog {
    bool cancelled;
    LONG pendingAtOpen; // Cancel puts back what the check box filter changed
};

static void check_one(HWND dialog, const int *ids, int count, int choice)
{
    for (int i = 0; i < count; i++)
        CheckDlgButton(dialog, ids[i], i == choice ? BST_CHECKED : BST_UNCHECKED);
}

static int checked_one(HWND dialog, const int *ids, int count)
{
    for (int i = 0; i < count; i++)
        if (IsDlgButtonChecked(dialog, ids[i]) == BST_CHECKED)
            return i;
    return -1;
}

static int checked_of_two(HWND dialog, int first, int second)
{
    return IsDlgButtonChecked(dialog, first) == BST_CHECKED    ? 1
           : IsDlgButtonChecked(dialog, second) == BST_CHECKED ? 0
                                                               : -1;
}

static void enable_surround(HWND dialog, bool on)
{
    for (int id : SurroundControls)
        EnableWindow(GetDlgItem(dialog, id), on);
}

// Every change of the output check box, by click or by message, reaches the pending flag
// and the surround group at once.
static LRESULT CALLBACK output_box_filter(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = (WNDPROC)GetWindowLongPtrA(box, GWLP_USERDATA);
    if (message == BM_SETCHECK && (wParam == BST_CHECKED || wParam == BST_UNCHECKED)) {
        g_pendingLibraryOutput = wParam == BST_CHECKED;
        enable_surround(GetParent(box), wParam == BST_CHECKED);
    }
    return CallWindowProcA(previous, box, message, wParam, lParam);
}

static void OnInitDialog(HWND dialog)
{
    ConfigDialog *state = (ConfigDialog *)GetWindowLongPtrA(dialog, DWLP_USER);
    state->pendingAtOpen = g_pendingLibraryOutput;
    DialogChoices c;
    // The box shows the choice last made, which is the setting in force unless it was
    // changed during the current song.
    choices_from_settings(&g_settings, g_pendingLibraryOutput != 0, &c);
    CheckDlgButton(dialog, IDC_LIBRARY_OUTPUT, c.libraryOutput ? BST_CHECKED : BST_UNCHECKED);
    enable_surround(dialog, c.libraryOutput);
    SendDlgItemMessageA(dialog, IDC_COMMAND_LINE, EM_LIMITTEXT, COMMAND_LINE_MAX, 0);
    SetDlgItemTextA(dialog, IDC_COMMAND_LINE, c.commandLine);
    HWND box = GetDlgItem(dialog, IDC_LIBRARY_OUTPUT);
    SetWindowLongPtrA(box, GWLP_USERDATA, GetWindowLongPtrA(box, GWLP_WNDPROC));
    SetWindowLongPtrA(box, GWLP_WNDPROC, (LONG_PTR)output_box_filter);
    check_one(dialog, SurroundButtons, 3, c.surround);
    check_one(dialog, RampButtons, 3, c.ramping);
    CheckDlgButton(dialog, IDC_NO_INTERPOLATION, c.nonInterpolated ? BST_CHECKED : BST_UNCHECKED);
    check_one(dialog, ModButtons, 3, c.modPlayback);
    CheckDlgButton(dialog, c.mono ? IDC_MONO : IDC_STEREO, BST_CHECKED);
    CheckDlgButton(dialog, c.eightBit ? IDC_8BIT : IDC_16BIT, BST_CHECKED);
    check_one(dialog, FrequencyButtons, 4, c.frequency);
}

static void apply(HWND dialog)
{
    DialogChoices c;
    memset(&c, 0, sizeof c);
    c.libraryOutput = IsDlgButtonChecked(dialog, IDC_LIBRARY_OUTPUT) == BST_CHECKED;
    c.ramping = checked_one(dialog, RampButtons, 3);
    c.modPlayback = checked_one(dialog, ModButtons, 3);
    c.surround = checked_one(dialog, SurroundButtons, 3);
    c.eightBit = checked_of_two(dialog, IDC_8BIT, IDC_16BIT);
    c.mono = checked_of_two(dialog, IDC_MONO, IDC_STEREO);
    c.nonInterpolated = IsDlgButtonChecked(dialog, IDC_NO_INTERPOLATION) == BST_CHECKED;
    c.frequency = checked_one(dialog, FrequencyButtons, 4);
    GetDlgItemTextA(dialog, IDC_COMMAND_LINE, c.commandLine, sizeof c.commandLine);
    uint32_t pending = 0;
    apply_choices(&c, &g_settings, &pending);
    g_pendingLibraryOutput = (LONG)pending;
}

static void OnBrowse(HWND dialog)
{
    char file[MAX_PATH] = "";
    OPENFILENAMEA request;
    memset(&request, 0, sizeof request);
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = "Executable files\0*.exe\0All Files\0*.*\0";
    request.lpstrFile = file;
    request.nMaxFile = sizeof file;
    request.lpstrDefExt = "exe";
    request.lpstrTitle = "Specify program...";
    request.Flags = OFN_EXPLORER;
    if (!g_pickProgram(&request))
        return;
    char command[COMMAND_LINE_MAX + 1];
    snprintf(command, sizeof command, "%s %%mod", file); // cut like the edit field
    SetDlgItemTextA(dialog, IDC_COMMAND_LINE, command);
}

static void end(HWND dialog, bool cancelled)
{
    ConfigDialog *state = (ConfigDialog *)GetWindowLongPtrA(dialog, DWLP_USER);
    state->cancelled = cancelled;
    if (cancelled)
        g_pendingLibraryOutput = state->pendingAtOpen;
    else
        apply(dialog);
    EndDialog(dialog, cancelled ? IDCANCEL : IDOK);
}

static INT_PTR CALLBACK config_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            end(dialog, false);
            return TRUE;
        case IDCANCEL:
            end(dialog, true);
            return TRUE;
        case IDC_BROWSE:
            OnBrowse(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        end(dialog, false);
        return TRUE;
    case WM_DESTROY: {
        HWND box = GetDlgItem(dialog, IDC_LIBRARY_OUTPUT);
        LONG_PTR previous = GetWindowLongPtrA(box, GWLP_USERDATA);
        if (previous)
            SetWindowLongPtrA(box, GWLP_WNDPROC, previous);
        return FALSE;
    }
    }
    return FALSE;
}

void config_dialog(HWND parent)
{
    ConfigDialog state = {false, 0};
    DialogBoxParamA(g_pluginInstance, MAKEINTRESOURCEA(IDD_CONFIG), parent, config_proc,
                    (LPARAM)&state);
}
