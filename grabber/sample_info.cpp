// The dialog works on one entry of the window's catalog copy and compares it with the
// library's entry, which it never changes. Fields are stored into the copy on OK, Play
// and Play looped, as typed: the player and the WAV writer are the ones that cope with
// loop points outside the sample.
#include "sample_info.h"
#include "module_window.h"
#include "player.h"
#include "resource.h"
#include "sound_prefs.h"

#include <commctrl.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

// The part of an entry the dialog shows, compares and restores: byteLength through name.
static const size_t BlockStart = offsetof(CatalogEntry, info);
static const size_t BlockSize = sizeof(CatalogEntry) - offsetof(CatalogEntry, info);
static_assert(BlockSize == 63, "the edited block is 63 bytes");

struct InfoDialog {
    ModuleWindowData *window;
    int row;
    HBRUSH unchangedBrush; // the list's pale yellow
    HBRUSH changedBrush;   // pale lavender
};

// Each number field, the up-down that steps it, and where its value lives in an entry.
struct NumberField {
    int edit;
    int spin;
    size_t offset; // of a u32 in CatalogEntry
};

static const NumberField Numbers[] = {
    {IDC_RATE, IDC_RATE_SPIN, offsetof(CatalogEntry, rate)},
    {IDC_LOOP_START, IDC_LOOP_START_SPIN, offsetof(CatalogEntry, info.loopStart)},
    {IDC_LOOP_END, IDC_LOOP_END_SPIN, offsetof(CatalogEntry, info.loopEnd)},
    {IDC_SUSTAIN_START, IDC_SUSTAIN_START_SPIN, offsetof(CatalogEntry, info.sustainStart)},
    {IDC_SUSTAIN_END, IDC_SUSTAIN_END_SPIN, offsetof(CatalogEntry, info.sustainEnd)},
};

static uint32_t field_of(const CatalogEntry *e, const NumberField &f)
{
    uint32_t v;
    memcpy(&v, (const uint8_t *)e + f.offset, 4);
    return v;
}

static void set_field(CatalogEntry *e, const NumberField &f, uint32_t v)
{
    memcpy((uint8_t *)e + f.offset, &v, 4);
}

static InfoDialog *state_of(HWND dialog)
{
    return (InfoDialog *)GetWindowLongPtrA(dialog, DWLP_USER);
}

static CatalogEntry *copy_of(const InfoDialog *s)
{
    return &s->window->catalog[s->row];
}

// Unsigned decimal; what is not a number reads 0, and too many digits the largest value.
static uint32_t read_number(HWND dialog, int id)
{
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    const char *p = text;
    while (*p == ' ')
        p++;
    uint64_t v = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        v = v * 10 + (uint64_t)(*p - '0');
        if (v > 0xFFFFFFFFu)
            v = 0xFFFFFFFFu;
    }
    return (uint32_t)v;
}

static void write_number(HWND dialog, int id, uint32_t v)
{
    char text[16];
    snprintf(text, sizeof text, "%u", (unsigned)v);
    SetDlgItemTextA(dialog, id, text);
}

static void name_text(const CatalogEntry *e, char out[sizeof e->name + 1])
{
    memcpy(out, e->name, sizeof e->name);
    out[sizeof e->name] = 0;
}

static void show_fields(HWND dialog, const InfoDialog *s)
{
    const CatalogEntry *e = copy_of(s);
    char name[sizeof e->name + 1];
    name_text(e, name);
    SetDlgItemTextA(dialog, IDC_SAMPLE_NAME, name);
    for (const NumberField &f : Numbers) {
        write_number(dialog, f.edit, field_of(e, f));
        SendDlgItemMessageA(dialog, f.spin, UDM_SETRANGE, 0, MAKELPARAM(1, -1));
        SendDlgItemMessageA(dialog, f.spin, UDM_SETPOS, 0, 0);
    }
    static const int Radios[] = {IDC_LOOP_ON,    IDC_LOOP_OFF,    IDC_LOOP_PINGPONG,
                                 IDC_SUSTAIN_ON, IDC_SUSTAIN_OFF, IDC_SUSTAIN_PINGPONG};
    for (int id : Radios)
        CheckDlgButton(dialog, id, BST_UNCHECKED);
    // Bit 0 is a plain loop, bit 1 ping-pong; kind 4 (no sustain loops in the format)
    // shows as off.
    CheckDlgButton(dialog,
                   e->loopType & 1   ? IDC_LOOP_ON
                   : e->loopType & 2 ? IDC_LOOP_PINGPONG
                                     : IDC_LOOP_OFF,
                   BST_CHECKED);
    CheckDlgButton(dialog,
                   e->sustainType & 1   ? IDC_SUSTAIN_ON
                   : e->sustainType & 2 ? IDC_SUSTAIN_PINGPONG
                                        : IDC_SUSTAIN_OFF,
                   BST_CHECKED);
    char info[96];
    snprintf(info, sizeof info, "Channels: %s\r\nBits: %d\r\nLength: %d",
             e->channels == 1 ? "mono" : "stereo", (int)e->bits, (int)e->info.byteLength);
    SetDlgItemTextA(dialog, IDC_INFO_TEXT, info);
}

static void store_fields(HWND dialog, const InfoDialog *s)
{
    CatalogEntry *e = copy_of(s);
    char name[sizeof e->name];
    memset(name, 0, sizeof name);
    GetDlgItemTextA(dialog, IDC_SAMPLE_NAME, name, sizeof name); // 34 characters and a 0
    memcpy(e->name, name, sizeof name);
    for (const NumberField &f : Numbers)
        set_field(e, f, read_number(dialog, f.edit));
    e->loopType = IsDlgButtonChecked(dialog, IDC_LOOP_ON)         ? 1
                  : IsDlgButtonChecked(dialog, IDC_LOOP_PINGPONG) ? 2
                                                                  : 0;
    // IT has sustain loops, so "off" is kind 0 there; the other formats have none.
    uint8_t off = GetModType(s->window->module) == VIRN_TYPE_IT ? 0 : VIRN_LOOP_NOT_IN_FORMAT;
    e->sustainType = IsDlgButtonChecked(dialog, IDC_SUSTAIN_ON)         ? 1
                     : IsDlgButtonChecked(dialog, IDC_SUSTAIN_PINGPONG) ? 2
                                                                        : off;
}

static bool differs_from_library(const InfoDialog *s)
{
    const CatalogEntry *library = library_entry(s->window->module, s->row);
    return memcmp((const uint8_t *)copy_of(s) + BlockStart, (const uint8_t *)library + BlockStart,
                  BlockSize) != 0;
}

// Whether an edit's text still says what the library says.
static bool edit_unchanged(HWND dialog, const InfoDialog *s, int id)
{
    const CatalogEntry *library = library_entry(s->window->module, s->row);
    if (id == IDC_SAMPLE_NAME) {
        char typed[sizeof library->name + 1] = "", original[sizeof library->name + 1];
        GetDlgItemTextA(dialog, id, typed, sizeof typed);
        name_text(library, original);
        return strcmp(typed, original) == 0;
    }
    for (const NumberField &f : Numbers)
        if (f.edit == id)
            return read_number(dialog, id) == field_of(library, f);
    return true;
}

static void on_ok(HWND dialog, InfoDialog *s)
{
    store_fields(dialog, s);
    const CatalogEntry *e = copy_of(s);
    HWND list = s->window->list;
    char text[sizeof e->name + 1];
    name_text(e, text);
    LVITEMA item = {};
    item.iSubItem = 1;
    item.pszText = text[0] ? text : (char *)"-none-";
    SendMessageA(list, LVM_SETITEMTEXTA, s->row, (LPARAM)&item);
    snprintf(text, sizeof text, "%d", (int)e->rate);
    item.iSubItem = 3;
    item.pszText = text;
    SendMessageA(list, LVM_SETITEMTEXTA, s->row, (LPARAM)&item);
    item = LVITEMA();
    item.mask = LVIF_PARAM;
    item.iItem = s->row;
    item.lParam = differs_from_library(s) ? EDITED_MARK : 0;
    SendMessageA(list, LVM_SETITEMA, 0, (LPARAM)&item);
    SendMessageA(list, LVM_REDRAWITEMS, s->row, s->row);
    UpdateWindow(list);
    EndDialog(dialog, 1);
}

static void on_play(HWND dialog, InfoDialog *s, int button)
{
    bool looped = button == IDC_PLAY_LOOPED;
    if (g_app.playing) {
        player_stop();
        SetDlgItemTextA(dialog, button, looped ? "Play looped" : "Play");
        return;
    }
    store_fields(dialog, s);
    const CatalogEntry *e = copy_of(s);
    if (e->info.byteLength == 0 || (looped && e->info.loopEnd == 0))
        return;
    PlayRequest r = {e, looped, dialog, s->window->module, s->row, false};
    if (player_start(&r))
        SetDlgItemTextA(dialog, button, "Stop");
}

// An up-down click: the program steps the number, not the control, whose position goes
// back to 0 at once. A field holding 0 is not stepped down.
static void on_spin(HWND dialog, HWND spin)
{
    for (const NumberField &f : Numbers) {
        if (GetDlgItem(dialog, f.spin) != spin)
            continue;
        short position = (short)LOWORD(SendMessageA(spin, UDM_GETPOS, 0, 0));
        uint32_t v = read_number(dialog, f.edit);
        if (position > 0 && v < 0xFFFFFFFFu)
            write_number(dialog, f.edit, v + 1);
        else if (position <= 0 && v != 0)
            write_number(dialog, f.edit, v - 1);
        SendMessageA(spin, UDM_SETPOS, 0, 0);
    }
}

static void on_init(HWND dialog, InfoDialog *s)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)s);
    s->unchangedBrush = CreateSolidBrush(ListColour);
    s->changedBrush = CreateSolidBrush(EditedColour);
    show_fields(dialog, s);
}

static bool on_command(HWND dialog, InfoDialog *s, int id, int code)
{
    switch (id) {
    case IDOK:
        on_ok(dialog, s);
        return true;
    case IDCANCEL:
        EndDialog(dialog, 2);
        return true;
    case IDC_RESTORE:
        memcpy((uint8_t *)copy_of(s) + BlockStart,
               (const uint8_t *)library_entry(s->window->module, s->row) + BlockStart, BlockSize);
        show_fields(dialog, s);
        return true;
    case IDC_PLAY:
    case IDC_PLAY_LOOPED:
        on_play(dialog, s, id);
        return true;
    case IDC_OUTPUT_PREFS:
        run_sound_preferences(nullptr);
        return true;
    case IDC_SAMPLE_NAME:
    case IDC_RATE:
    case IDC_LOOP_START:
    case IDC_LOOP_END:
    case IDC_SUSTAIN_START:
    case IDC_SUSTAIN_END:
        // The tint follows the typing: the edit is repainted whole before its new text.
        if (code == EN_UPDATE)
            InvalidateRect(GetDlgItem(dialog, id), nullptr, TRUE);
        return false;
    }
    return false;
}

static INT_PTR CALLBACK sample_info_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    InfoDialog *s = state_of(dialog);
    switch (message) {
    case WM_INITDIALOG:
        on_init(dialog, (InfoDialog *)lParam);
        return TRUE;
    case WM_CTLCOLOREDIT: {
        if (!s)
            break;
        SetBkMode((HDC)wParam, TRANSPARENT);
        bool same = edit_unchanged(dialog, s, GetDlgCtrlID((HWND)lParam));
        return (INT_PTR)(same ? s->unchangedBrush : s->changedBrush);
    }
    case WM_VSCROLL:
        if (s && LOWORD(wParam) == SB_THUMBPOSITION)
            on_spin(dialog, (HWND)lParam);
        return TRUE;
    case WM_COMMAND:
        return s && on_command(dialog, s, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WMU_PLAYDONE:
        // The play this dialog started has ended by itself.
        SetDlgItemTextA(dialog, IDC_PLAY, "Play");
        SetDlgItemTextA(dialog, IDC_PLAY_LOOPED, "Play looped");
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_DESTROY:
        if (s) {
            DeleteObject(s->unchangedBrush);
            DeleteObject(s->changedBrush);
            s->unchangedBrush = s->changedBrush = nullptr;
        }
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        break;
    }
    return FALSE;
}

INT_PTR run_sample_info(ModuleWindowData *d, int row)
{
    InfoDialog s = {d, row, nullptr, nullptr};
    return DialogBoxParamA(g_app.instance, MAKEINTRESOURCEA(IDD_SAMPLEINFO), d->list,
                           sample_info_proc, (LPARAM)&s);
}
