// File helpers of virn-grab that differ between Windows and POSIX.
#ifndef CLI_FILES_H
#define CLI_FILES_H

#include <stdint.h>
#include <string>
#include <vector>

// Reads a whole file; false when it cannot be read (or is 4 GB or more).
bool read_whole_file(const std::string &path, std::vector<uint8_t> &out);
bool write_whole_file(const std::string &path, const uint8_t *data, size_t size);
// Creates the folder and the missing folders above it; true when it exists afterwards.
bool make_folders(const std::string &path);
// "dir/song.mod" -> "song.mod".
std::string file_name(const std::string &path);
// "dir/song.mod" -> "song".
std::string file_stem(const std::string &path);
bool is_terminal(int fd);

#endif
