// Grabbing writes the same files as virn-grab, for every row of large modules too, and
// never leaves a half-written file behind. (Both build their WAV images with one portable
// builder, whatever the kind of sample: virn-grab's tests and libsndfile's reading check it.)
#include "win_harness.h"

#include "app_state.h"
#include "resource.h"

namespace
{

const char AskBatchRaw[] = "Do you want to grab checked samples as a raw data?";
const char AskRaw[] = "Do you want to grab sample as a raw data?";
const char WriteError[] = "An error ocurred while creating output file";

class Grab : public GrabberTest
{
  protected:
    // Answers the folder browser and the raw question, then the dialogs in `then`.
    void grab_checked_into(const std::string &folder, bool raw,
                           const std::vector<DialogHandler> &then = {})
    {
        g_answer.folder = [folder](char *path) {
            lstrcpynA(path, folder.c_str(), MAX_PATH);
            return true;
        };
        expect_dialog(message_box("Virn", AskBatchRaw, raw ? IDYES : IDNO));
        for (const DialogHandler &h : then)
            expect_dialog(h);
        command(IDM_GRABCHECKED);
    }
};

// The checked rows, past row 255, as virn-grab writes them; then the current row through
// the save dialog, the same file again.
TEST_F(Grab, CheckedAndCurrentRowsBeyond255AreTheRightSamples)
{
    HWND list = list_of(open_numbered(300, 50)); // row 250 and 300 are empty
    ListView_SetCheckState(list, 299, true);
    for (bool raw : {false, true}) {
        const char *ext = raw ? "bin" : "wav";
        std::string out = dir + "\\" + ext, expected = dir + "\\reference-" + ext;
        std::string line = std::string("\"") + VIRN_GRAB_EXE + "\" extract " +
                           (raw ? "--raw " : "") + "-o \"" + expected +
                           "\" --only 1,255-257,280 \"" + dir + "\\m.it\"";
        ASSERT_EQ(0, run_program(line, dir)) << line;
        CreateDirectoryA(out.c_str(), nullptr);
        for (int row : {1, 255, 256, 257, 280})
            ListView_SetCheckState(list, row - 1, true);
        grab_checked_into(out, raw);
        std::vector<std::string> names = files_in(expected);
        EXPECT_EQ(5u, names.size());
        EXPECT_EQ(names, files_in(out));
        for (const std::string &name : names)
            EXPECT_TRUE(read_file(expected + "\\" + name) == read_file(out + "\\" + name)) << name;
        // Written rows are unchecked; the empty row 300 stays checked.
        for (int row : {1, 255, 256, 257, 280})
            EXPECT_FALSE(checked(list, row - 1)) << row;
        EXPECT_TRUE(checked(list, 299));

        std::string target = out + "\\current." + ext, offered, extension;
        DWORD flags = 0;
        g_answer.save = [&](OPENFILENAMEA *o) {
            offered = o->lpstrFile;
            flags = o->Flags;
            extension = o->lpstrDefExt;
            lstrcpynA(o->lpstrFile, target.c_str(), (int)o->nMaxFile);
            return TRUE;
        };
        ListView_SetCheckState(list, 279, true);
        focus_row(list, 279);
        expect_dialog(message_box("Virn", AskRaw, raw ? IDYES : IDNO));
        SendMessageA(module_windows()[0], WMU_GRABCURRENT, 0, 0);
        pump();
        EXPECT_EQ("s280", offered);
        EXPECT_EQ(ext, extension);
        EXPECT_TRUE(flags & OFN_OVERWRITEPROMPT);
        EXPECT_TRUE(read_file(out + "\\s280(280)." + ext) == read_file(target));
        EXPECT_FALSE(checked(list, 279));
    }
    EXPECT_TRUE(file_exists(dir + "\\wav\\s257(257).wav"));
    // Cancelled: nothing written, the row stays checked.
    ListView_SetCheckState(list, 279, true);
    g_answer.save = [](OPENFILENAMEA *) { return FALSE; };
    expect_dialog(message_box("Virn", AskRaw, IDNO));
    command(IDM_GRABCURRENT);
    EXPECT_TRUE(checked(list, 279));
}

// A folder that cannot be written, or whose name leaves no room for a file name behind it
// (a browser never gives more than MAX_PATH - 1 characters): one message, the batch ends
// there, not a byte written past a buffer. A write that fails or stops short leaves no
// file and its row checked.
TEST_F(Grab, FailedWritesLeaveNoFileAndTheRowsChecked)
{
    HWND list = list_of(open_numbered(3));
    for (std::string folder : {dir + "\\no such folder", dir + "\\" + std::string(300, 'x')}) {
        command(IDM_CHECKALL);
        grab_checked_into(folder, false, {message_box("Error", WriteError, IDOK)});
        for (int row = 0; row < 3; row++)
            EXPECT_TRUE(checked(list, row)) << row;
    }
    std::string out = dir + "\\out";
    CreateDirectoryA(out.c_str(), nullptr);
    // The disk fills up during the second file: half of it is written, no error reported.
    int calls = 0;
    g_answer.write = [&](HANDLE file, LPCVOID data, DWORD n, LPDWORD written) {
        DWORD part = ++calls == 2 ? n / 2 : n;
        return WriteFile(file, data, part, written, nullptr);
    };
    grab_checked_into(out, false, {message_box("Error", WriteError, IDOK)});
    std::vector<std::string> expected = {"s1(001).wav"};
    EXPECT_EQ(expected, files_in(out));
    EXPECT_FALSE(checked(list, 0));
    EXPECT_TRUE(checked(list, 1));
    EXPECT_TRUE(checked(list, 2));

    // The same for a single grab, with a failing write.
    g_answer.write = [](HANDLE, LPCVOID, DWORD, LPDWORD written) {
        *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    };
    focus_row(list, 1);
    g_answer.save = [&](OPENFILENAMEA *o) {
        lstrcpynA(o->lpstrFile, (out + "\\single.wav").c_str(), (int)o->nMaxFile);
        return TRUE;
    };
    expect_dialog(message_box("Virn", AskRaw, IDNO));
    expect_dialog(message_box("Error", WriteError, IDOK));
    command(IDM_GRABCURRENT);
    EXPECT_FALSE(file_exists(out + "\\single.wav"));
    EXPECT_TRUE(checked(list, 1));
}

TEST_F(Grab, TheCurrentGrabNeedsARowAndRefusesASampleTooLargeForItsBuffer)
{
    HWND w = open_numbered(2);
    expect_dialog(message_box("Virn", "You must select sample from list", IDOK));
    command(IDM_GRABCURRENT);
    // Only an edited copy can hold such a length; byteLength + 300 would wrap.
    ModuleWindowData *d = (ModuleWindowData *)GetWindowLongPtrA(w, GWLP_USERDATA);
    d->catalog[1].info.byteLength = 0xFFFFFFFFu - 100;
    focus_row(list_of(w), 1);
    expect_dialog(message_box("Virn", AskRaw, IDNO));
    expect_dialog(message_box("Virn", "This sample is too large to grab.", IDOK));
    command(IDM_GRABCURRENT);
}

} // namespace
