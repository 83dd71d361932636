// Folders of the Windows tests, under the test program's own folder.
#ifndef TESTS_WIN_COMMON_WIN_FILES_H
#define TESTS_WIN_COMMON_WIN_FILES_H

#include <string>
#include <vector>

std::string program_folder(); // of this test program, without the last backslash
// A fresh, empty folder "work\<name>" beside the test program (not under the current
// folder: some commands under test change it).
std::string work_folder(const std::string &name);
void remove_tree(const std::string &folder);
bool file_exists(const std::string &path);
std::vector<std::string> files_in(const std::string &folder); // sorted names, folders too
std::string win_path(std::string path);                       // '/' made '\'

#endif
