// The shared test archives (../shared/testdata/zip beside the checkout), read so that a
// missing or unreadable file fails the test with its path instead of handing an empty
// buffer to code that indexes into it. Used by the native and the Windows-side tests.
#ifndef TESTS_PEXLIN_TESTDATA_FILE_H
#define TESTS_PEXLIN_TESTDATA_FILE_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "fixtures.h"

// The folder of the shared archives: PEXLIN_TESTDATA from the environment when set (a
// copy elsewhere), otherwise the one the build was configured with.
inline std::string testdata_path(const std::string &name)
{
    const char *dir = getenv("PEXLIN_TESTDATA");
    return std::string(dir && *dir ? dir : PEXLIN_TESTDATA) + "/" + name;
}

// Reads a whole file of the shared data; call it through ASSERT_NO_FATAL_FAILURE.
inline void read_testdata(const std::string &name, Bytes *out)
{
    std::string path = testdata_path(name);
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st)) << "missing test data file " << path;
    *out = read_file(path);
    ASSERT_EQ((size_t)st.st_size, out->size()) << "cannot read test data file " << path;
}

#endif
