// What the native and the Windows-side archive-library tests share: the shared test
// archives (../shared/testdata/zip beside the checkout), read so that a missing file fails
// with its path, and a call's records taken as names and bytes and released as the caller
// must release them.
#ifndef TESTS_PEXLIN_COMMON_H
#define TESTS_PEXLIN_COMMON_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <utility>

#include "fixtures.h"
#include "pexlin.h"
#if defined(_WIN32)
#include <windows.h>
#endif

// Reads a whole file of the shared data (from PEXLIN_TESTDATA in the environment when set,
// a copy elsewhere); call it through ASSERT_NO_FATAL_FAILURE.
inline void read_testdata(const std::string &name, Bytes *out)
{
    const char *dir = getenv("PEXLIN_TESTDATA");
    std::string path = std::string(dir && *dir ? dir : PEXLIN_TESTDATA) + "/" + name;
    struct stat st;
    ASSERT_EQ(0, stat(path.c_str(), &st)) << "missing test data file " << path;
    *out = read_file(path);
    ASSERT_EQ((size_t)st.st_size, out->size()) << "cannot read test data file " << path;
}

// Every record of a chain as its name and bytes, in order; each record and data block is
// released on the way. A record of size 0 must have no data block.
typedef std::vector<std::pair<std::string, Bytes>> Contents;
inline Contents take(ExtractedMember *r)
{
    Contents all;
    while (r) {
        ExtractedMember *next = r->next;
        EXPECT_EQ(r->size == 0, r->data == nullptr) << r->name;
        all.push_back({r->name, r->data ? Bytes(r->data, r->data + r->size) : Bytes()});
#if defined(_WIN32)
        EXPECT_TRUE(!r->data || VirtualFree(r->data, 0, MEM_RELEASE));
        EXPECT_TRUE(VirtualFree(r, 0, MEM_RELEASE));
#else
        free(r->data);
        free(r);
#endif
        r = next;
    }
    return all;
}

#endif
