// Writes the bundled example modules, made by our own writers, into a folder.
#include "it_writer.h"
#include "mod_writer.h"

#include <stdio.h>
#include <string>

int main(int argc, char **argv)
{
    std::string folder = argc > 1 ? argv[1] : ".";
    // demo.it (compressed samples, forward, ping-pong and sustain loops) is what
    // `make demo` extracts; demo.mod is the plain ProTracker-style example.
    const struct {
        const char *name;
        Bytes bytes;
    } examples[] = {{"demo.it", demo_it_module()}, {"demo.mod", demo_mod_module()}};
    for (const auto &e : examples) {
        std::string path = folder + "/" + e.name;
        if (!write_file(path, e.bytes)) {
            fprintf(stderr, "make-examples: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
