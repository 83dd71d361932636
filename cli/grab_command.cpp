// virn-grab: lists the samples of tracker modules and extracts them as WAV or raw files.
//
//   virn-grab list [--json] FILE...
//   virn-grab extract [--raw] [-o DIR] [--only LIST] FILE...
//
// Exit status: 0 when every file was handled, 1 when any file failed, 2 on a usage error.
#include "file_names.h"
#include "files.h"
#include "package.h"
#include "text_out.h"
#include "virn.h"
#include "wav_image.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

static const char Usage[] = "usage: virn-grab list [--json] FILE...\n"
                            "       virn-grab extract [--raw] [-o DIR] [--only LIST] FILE...\n"
                            "  LIST: 1-based rows as `list` shows them, e.g. 1,3-5\n";

struct Options {
    bool json = false;
    bool raw = false;
    std::string folder = ".";
    std::vector<bool> only; // empty: every row
    std::vector<std::string> files;
};

// A loaded module that frees itself.
struct Module {
    ModuleHandle handle = 0;
    bool packaged = false; // the module came out of a UMX package
    ~Module()
    {
        if (handle)
            VIRN_FreeModule(handle);
    }
};

static int usage_error(const char *what)
{
    fprintf(stderr, "virn-grab: %s\n%s", what, Usage);
    return 2;
}

// "1,3-5" -> rows 1, 3, 4, 5 marked (1-based, as `list` numbers them).
static bool parse_rows(const char *text, std::vector<bool> &rows)
{
    rows.assign(65537, false);
    const char *p = text;
    while (*p) {
        char *end;
        long first = strtol(p, &end, 10);
        if (end == p || first < 1 || first > 65536)
            return false;
        long last = first;
        p = end;
        if (*p == '-') {
            last = strtol(p + 1, &end, 10);
            if (end == p + 1 || last < first || last > 65536)
                return false;
            p = end;
        }
        for (long r = first; r <= last; r++)
            rows[(size_t)r] = true;
        if (*p == ',')
            p++;
        else if (*p)
            return false;
    }
    return true;
}

static bool load(const std::string &path, Module &module)
{
    std::vector<uint8_t> bytes;
    if (!read_whole_file(path, bytes)) {
        fprintf(stderr, "virn-grab: %s: cannot read\n", path.c_str());
        return false;
    }
    module.handle = VIRN_LoadModule(bytes.data(), (uint32_t)bytes.size());
    if (!module.handle) {
        fprintf(stderr, "virn-grab: %s: not a supported module\n", path.c_str());
        return false;
    }
    uint32_t inner = packaged_module_type(bytes.data(), bytes.size());
    module.packaged = inner != 0 && inner == GetModType(module.handle);
    return true;
}

static std::string loop_text(uint8_t kind, uint32_t start, uint32_t end)
{
    if (kind == VIRN_LOOP_NONE || kind == VIRN_LOOP_NOT_IN_FORMAT)
        return loop_kind_name(kind);
    char text[64];
    snprintf(text, sizeof text, "%s %u-%u", loop_kind_name(kind), start, end);
    return text;
}

static void print_table(const std::string &path, const Module &m)
{
    ModuleHandle h = m.handle;
    uint16_t count = VIRN_GetNumberOfSamples(h, 0);
    // A packaged module is named by its package and the format inside: "UMX (IT)".
    std::string format = format_name(GetModType(h));
    if (m.packaged)
        format = "UMX (" + format + ")";
    printf("%s: %s \"%s\", %u samples in %u slots\n", path.c_str(), format.c_str(),
           VIRN_GetSongName(h), VIRN_GetNumberOfSamples(h, 1), count);
    printf("%4s  %-34s %9s %6s %2s %4s  %-24s %s\n", "row", "name", "bytes", "rate", "ch", "bits",
           "loop (bytes)", "sustain (bytes)");
    const CatalogEntry *catalog = ScGetCatalog(h);
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        const SampleInfo &s = e.info;
        printf("%4u  %-34s %9u %6u %2u %4u  %-24s %s\n", i + 1, e.name[0] ? e.name : "-none-",
               s.byteLength, e.rate, e.channels, e.bits,
               loop_text(e.loopType, s.loopStart, s.loopEnd).c_str(),
               loop_text(e.sustainType, s.sustainStart, s.sustainEnd).c_str());
    }
}

static uint32_t pcm_crc(ModuleHandle h, unsigned index, uint32_t byteLength)
{
    if (byteLength == 0)
        return 0;
    std::vector<uint8_t> pcm(byteLength);
    VIRN_GetSample(h, index, pcm.data());
    return crc32_of(pcm.data(), pcm.size());
}

static void print_json(const std::string &path, ModuleHandle h)
{
    uint32_t type = GetModType(h);
    uint16_t count = VIRN_GetNumberOfSamples(h, 0);
    std::string line = "{\"file\":" + json_string(path.c_str());
    line += ",\"moduleType\":" + std::to_string(type);
    line += ",\"format\":" + json_string(format_name(type));
    line += ",\"songName\":" + json_string(VIRN_GetSongName(h));
    line += ",\"entryCount\":" + std::to_string(count);
    line += ",\"sampleCount\":" + std::to_string(VIRN_GetNumberOfSamples(h, 1));
    line += ",\"samples\":[";
    const CatalogEntry *catalog = ScGetCatalog(h);
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        const SampleInfo &s = e.info;
        char fields[512];
        snprintf(fields, sizeof fields,
                 "\"length\":%u,\"encoding\":%u,\"byteLength\":%u,\"loopStart\":%u,"
                 "\"loopEnd\":%u,\"sustainStart\":%u,\"sustainEnd\":%u,\"loopType\":%u,"
                 "\"sustainType\":%u,\"rate\":%u,\"channels\":%u,\"bits\":%u,\"pcmCrc32\":%u}",
                 e.length, e.encoding, s.byteLength, s.loopStart, s.loopEnd, s.sustainStart,
                 s.sustainEnd, e.loopType, e.sustainType, e.rate, e.channels, e.bits,
                 pcm_crc(h, i, s.byteLength));
        if (i)
            line += ",";
        line += "{\"index\":" + std::to_string(i) + ",\"name\":" + json_string(e.name) + ",";
        line += fields;
    }
    line += "]}";
    puts(line.c_str());
}

static int run_list(const Options &o)
{
    int status = 0;
    for (const std::string &path : o.files) {
        Module m;
        if (!load(path, m)) {
            status = 1;
            continue;
        }
        if (o.json)
            print_json(path, m.handle);
        else
            print_table(path, m);
    }
    return status;
}

// Writes the chosen samples of one module into `folder`; false when a file failed.
static bool extract_module(const Options &o, const std::string &path, const std::string &folder)
{
    Module m;
    if (!load(path, m))
        return false;
    if (!make_folders(folder)) {
        fprintf(stderr, "virn-grab: %s: cannot create folder\n", folder.c_str());
        return false;
    }
    const CatalogEntry *catalog = ScGetCatalog(m.handle);
    uint16_t count = VIRN_GetNumberOfSamples(m.handle, 0);
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        if (!o.only.empty() && !o.only[i + 1])
            continue;
        if (e.info.byteLength == 0)
            continue;
        char name[4096];
        if (!batch_file_name(name, sizeof name, folder.c_str(), e.name, (int)i + 1,
                             o.raw ? "bin" : "wav")) {
            fprintf(stderr, "virn-grab: %s: folder name too long\n", folder.c_str());
            return false;
        }
        std::vector<uint8_t> buffer((size_t)e.info.byteLength + WAV_IMAGE_OVERHEAD);
        uint32_t size;
        if (o.raw) {
            VIRN_GetSampleAsIs(m.handle, i, buffer.data());
            size = e.length;
        } else {
            size = build_wav_image(&e, i, buffer.data(), m.handle);
        }
        if (!write_whole_file(name, buffer.data(), size)) {
            fprintf(stderr, "virn-grab: %s: cannot write\n", name);
            return false;
        }
        printf("%s\n", name);
    }
    return true;
}

static int run_extract(const Options &o)
{
    int status = 0;
    bool progress = o.files.size() > 1 && is_terminal(2);
    for (size_t k = 0; k < o.files.size(); k++) {
        const std::string &path = o.files[k];
        if (progress)
            fprintf(stderr, "\r[%zu/%zu] %s\033[K", k + 1, o.files.size(), path.c_str());
        std::string folder = o.folder;
        // Several modules: one subfolder each, so their samples never overwrite each other.
        if (o.files.size() > 1) {
            char stem[256];
            safe_file_part(file_stem(path).c_str(), stem, sizeof stem);
            folder += PATH_SEPARATOR;
            folder += stem[0] ? stem : "_";
        }
        fflush(stdout);
        if (!extract_module(o, path, folder))
            status = 1;
    }
    if (progress)
        fprintf(stderr, "\r\033[K");
    return status;
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage_error("no command");
    std::string command = argv[1];
    if (command == "-h" || command == "--help") {
        fputs(Usage, stdout);
        return 0;
    }
    if (command != "list" && command != "extract")
        return usage_error(("unknown command " + command).c_str());
    Options o;
    for (int i = 2; i < argc; i++) {
        std::string a = argv[i];
        if (command == "list" && a == "--json") {
            o.json = true;
        } else if (command == "extract" && a == "--raw") {
            o.raw = true;
        } else if (command == "extract" && (a == "-o" || a == "--only")) {
            if (i + 1 >= argc)
                return usage_error((a + " needs a value").c_str());
            const char *value = argv[++i];
            if (a == "-o")
                o.folder = value;
            else if (!parse_rows(value, o.only))
                return usage_error("bad row list (e.g. 1,3-5)");
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error(("unknown option " + a).c_str());
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.empty())
        return usage_error("no module files given");
    return command == "list" ? run_list(o) : run_extract(o);
}
