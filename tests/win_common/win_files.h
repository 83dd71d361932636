// Folders of the Windows tests, under the test program's own folder.
#ifndef TESTS_WIN_COMMON_WIN_FILES_H
#define TESTS_WIN_COMMON_WIN_FILES_H

#include <string>
#include <vector>

#include "fixtures.h"

std::string program_folder(); // of this test program, without the last backslash
// A fresh, empty folder "work\<name>" beside the test program (not under the current
// folder: some commands under test change it); by default named for the running test.
std::string work_folder(const std::string &name = "");
bool file_exists(const std::string &path);
std::vector<std::string> files_in(const std::string &folder); // sorted names, folders too
std::string win_path(std::string path);                       // '/' made '\'
// Writes the file (a failure fails the test) and returns its path.
std::string save(const std::string &path, const Bytes &bytes);
// The bytes of every file in the folder, joined in name order (what a sound device wrote,
// one file for each time it was opened); emptied, the folder holds nothing.
Bytes joined_files(const std::string &folder);
// A text file's lines, without their CR or LF (gtest and Wine's consoles write CRLF).
std::vector<std::string> lines_of(const std::string &path);
void empty_folder(const std::string &folder);

#endif
