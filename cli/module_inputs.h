// The modules that one input file of virn-grab holds: a module file holds one, a ZIP
// archive (zipped modules such as .mdz, .s3z, .xmz, .itz) every module member it has.
#ifndef CLI_MODULE_INPUTS_H
#define CLI_MODULE_INPUTS_H

#include <stdio.h>
#include <string>
#include <vector>

#include "virn.h"

struct InputModule {
    ModuleHandle handle = 0;
    bool packaged = false; // came out of a UMX package: named "UMX (IT)" and so on
    std::string label;     // "song.mod", or "music.zip<SONG.MOD" for an archive member
    std::string folder;    // its subfolder when several modules are extracted (a safe name)
};

// Owns the loaded modules of one input file.
struct InputFile {
    std::vector<InputModule> modules;
    InputFile() = default;
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;
    ~InputFile();
};

// Loads every module of the file at `path` (labels and folders start from the path as
// given). A file that is a ZIP archive by its content is opened as one, whatever its name;
// any other file goes to the module loaders. False, with a message on err, when the file
// cannot be read, is no module, is an archive without a module member, or has a member
// named like a module that does not load (the modules that did load are still there).
bool open_input(const std::string &path, InputFile &input, FILE *err);

#endif
