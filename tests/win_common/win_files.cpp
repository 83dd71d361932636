#include "win_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

std::string program_folder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p = path;
    return p.substr(0, p.rfind('\\'));
}

std::string win_path(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

static void remove_tree(const std::string &folder)
{
    for (const std::string &name : files_in(folder)) {
        std::string path = folder + "\\" + name;
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            remove_tree(path);
        else
            DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

std::string work_folder(const std::string &name)
{
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    std::string root = program_folder() + "\\work", folder = root + "\\";
    folder +=
        !name.empty() || !test ? name : test->test_suite_name() + std::string(".") + test->name();
    CreateDirectoryA(root.c_str(), nullptr);
    remove_tree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool file_exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> files_in(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string save(const std::string &path, const Bytes &bytes)
{
    EXPECT_TRUE(write_file(path, bytes)) << path;
    return path;
}

Bytes joined_files(const std::string &folder)
{
    Bytes all;
    for (const std::string &name : files_in(folder)) {
        Bytes b = read_file(folder + "\\" + name);
        all.insert(all.end(), b.begin(), b.end());
    }
    return all;
}

std::vector<std::string> lines_of(const std::string &path)
{
    std::vector<std::string> lines(1);
    for (uint8_t c : read_file(path))
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back() += (char)c;
    if (lines.back().empty())
        lines.pop_back();
    return lines;
}

void empty_folder(const std::string &folder)
{
    for (const std::string &name : files_in(folder))
        DeleteFileA((folder + "\\" + name).c_str());
}
