// Writes the seeds of fuzz_pexlin into the folder given as argv[1]: our archive fixtures
// and the shared test archives.
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <string>

#include "zip_writer.h"

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    for (const Fixture &f : zip_fixtures()) {
        if (!write_file(dir + "/" + f.name + ".zip", f.bytes))
            return 1;
    }
    std::string shared = PEXLIN_TESTDATA;
    if (DIR *d = opendir(shared.c_str())) {
        while (dirent *e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() < 4 || name.compare(name.size() - 4, 4, ".zip") != 0)
                continue;
            write_file(dir + "/shared_" + name, read_file(shared + "/" + name));
        }
        closedir(d);
    }
    return 0;
}
