#include "win_process.h"

#include <vector>

bool start_program(const std::string &line, const std::string &folder, PROCESS_INFORMATION *pi,
                   const std::string &output)
{
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        file = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = file;
    }
    *pi = {};
    BOOL started = CreateProcessA(nullptr, text.data(), nullptr, nullptr, !output.empty(), 0,
                                  nullptr, folder.empty() ? nullptr : folder.c_str(), &si, pi);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return started;
}

DWORD finish_program(PROCESS_INFORMATION *pi, DWORD ms)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi->hProcess, ms) != WAIT_OBJECT_0)
        TerminateProcess(pi->hProcess, 1);
    GetExitCodeProcess(pi->hProcess, &code);
    CloseHandle(pi->hThread);
    CloseHandle(pi->hProcess);
    return code;
}

int run_program(const std::string &line, const std::string &folder, const std::string &output)
{
    PROCESS_INFORMATION pi;
    return start_program(line, folder, &pi, output) ? (int)finish_program(&pi) : -1;
}

struct Found {
    DWORD process;
    const char *cls;
    HWND except, window;
};

static BOOL CALLBACK find_top(HWND w, LPARAM context)
{
    Found *f = (Found *)context;
    DWORD pid = 0;
    char cls[64] = "";
    GetWindowThreadProcessId(w, &pid);
    GetClassNameA(w, cls, sizeof cls);
    if (pid == f->process && w != f->except && !strcmp(cls, f->cls) && IsWindowVisible(w))
        f->window = w;
    return f->window == nullptr;
}

HWND top_window(DWORD process, const char *cls, HWND except)
{
    Found f = {process, cls, except, nullptr};
    EnumWindows(find_top, (LPARAM)&f);
    return f.window;
}
