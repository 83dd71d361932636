#include "files.h"

#include <errno.h>
#include <stdio.h>
#include <sys/stat.h>

#if defined(_WIN32)
#include <direct.h>
#include <io.h>
#define make_one_folder(p) _mkdir(p)
#define isatty_fd(fd) _isatty(fd)
#else
#include <unistd.h>
#define make_one_folder(p) mkdir(p, 0777)
#define isatty_fd(fd) isatty(fd)
#endif

bool read_whole_file(const std::string &path, std::vector<uint8_t> &out)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    out.clear();
    uint8_t chunk[65536];
    size_t got;
    bool ok = true;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (out.size() + got > 0xFFFFFFFFu) {
            ok = false;
            break;
        }
        out.insert(out.end(), chunk, chunk + got);
    }
    ok = ok && !ferror(f);
    fclose(f);
    return ok;
}

bool write_whole_file(const std::string &path, const uint8_t *data, size_t size)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

static bool is_separator(char c)
{
#if defined(_WIN32)
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

static bool is_folder(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFDIR);
}

bool make_folders(const std::string &path)
{
    if (path.empty() || is_folder(path))
        return true;
    for (size_t i = 1; i <= path.size(); i++) {
        if (i < path.size() && !is_separator(path[i]))
            continue;
        std::string part = path.substr(0, i);
        if (!is_folder(part) && make_one_folder(part.c_str()) != 0 && errno != EEXIST)
            return false;
    }
    return is_folder(path);
}

std::string file_name(const std::string &path)
{
    size_t start = 0;
    for (size_t i = 0; i < path.size(); i++)
        if (is_separator(path[i]) || path[i] == ':')
            start = i + 1;
    return path.substr(start);
}

std::string file_stem(const std::string &path)
{
    std::string name = file_name(path);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

bool is_terminal(int fd)
{
    return isatty_fd(fd) != 0;
}
