// Other programs run from a test: started, waited for, their windows found.
#ifndef TESTS_WIN_COMMON_WIN_PROCESS_H
#define TESTS_WIN_COMMON_WIN_PROCESS_H

#include <windows.h>

#include <string>

// Starts `line` in `folder` (empty: this one); its output goes to the file `output` when
// one is named. False when it could not start.
bool start_program(const std::string &line, const std::string &folder, PROCESS_INFORMATION *pi,
                   const std::string &output = "");
// Waits up to `ms` (then ends the program) and returns the exit code.
DWORD finish_program(PROCESS_INFORMATION *pi, DWORD ms = 120000);
// Both: the exit code, or -1 when the program could not start.
int run_program(const std::string &line, const std::string &folder, const std::string &output = "");
// A visible top-level window of `process` of class `cls`, other than `except`.
HWND top_window(DWORD process, const char *cls, HWND except = nullptr);

#endif
