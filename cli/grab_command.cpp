// The commands of virn-grab: list and extract, over module files and zipped modules.
#include "grab_command.h"

#include "file_names.h"
#include "files.h"
#include "module_inputs.h"
#include "text_out.h"
#include "virn.h"
#include "wav_image.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include <set>

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

void *(*virn_grab_alloc)(size_t size) = malloc;

// A buffer of byteLength + `extra` bytes for one sample, or null after saying why. A
// damaged file can declare gigabytes; that sample is refused, the rest go on.
static uint8_t *sample_buffer(const std::string &label, unsigned row, uint32_t byteLength,
                              size_t extra, FILE *err)
{
    uint8_t *p = nullptr;
    if ((size_t)byteLength <= (size_t)-1 - extra)
        p = (uint8_t *)virn_grab_alloc((size_t)byteLength + extra);
    if (!p)
        fprintf(err, "virn-grab: %s: sample %u needs %u bytes, more than can be allocated\n",
                label.c_str(), row, byteLength);
    return p;
}

static int usage_error(FILE *err, const char *what)
{
    fprintf(err, "virn-grab: %s\n%s", what, Usage);
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

static std::string loop_text(uint8_t kind, uint32_t start, uint32_t end)
{
    if (kind == VIRN_LOOP_NONE || kind == VIRN_LOOP_NOT_IN_FORMAT)
        return loop_kind_name(kind);
    char text[64];
    snprintf(text, sizeof text, "%s %u-%u", loop_kind_name(kind), start, end);
    return text;
}

static void print_table(FILE *out, const InputModule &m)
{
    ModuleHandle h = m.handle;
    uint16_t count = VIRN_GetNumberOfSamples(h, 0);
    // A packaged module is named by its package and the format inside: "UMX (IT)".
    std::string format = format_name(GetModType(h));
    if (m.packaged)
        format = "UMX (" + format + ")";
    fprintf(out, "%s: %s \"%s\", %u samples in %u slots\n", m.label.c_str(), format.c_str(),
            VIRN_GetSongName(h), VIRN_GetNumberOfSamples(h, 1), count);
    fprintf(out, "%4s  %-34s %9s %6s %2s %4s  %-24s %s\n", "row", "name", "bytes", "rate", "ch",
            "bits", "loop (bytes)", "sustain (bytes)");
    const CatalogEntry *catalog = ScGetCatalog(h);
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        const SampleInfo &s = e.info;
        fprintf(out, "%4u  %-34s %9u %6u %2u %4u  %-24s %s\n", i + 1, e.name[0] ? e.name : "-none-",
                s.byteLength, e.rate, e.channels, e.bits,
                loop_text(e.loopType, s.loopStart, s.loopEnd).c_str(),
                loop_text(e.sustainType, s.sustainStart, s.sustainEnd).c_str());
    }
}

// The CRC-32 of a sample's PCM (0 for an empty one); false when it cannot be decoded.
static bool pcm_crc(const InputModule &m, unsigned index, uint32_t byteLength, uint32_t *crc,
                    FILE *err)
{
    *crc = 0;
    if (byteLength == 0)
        return true;
    uint8_t *pcm = sample_buffer(m.label, index + 1, byteLength, 0, err);
    if (!pcm)
        return false;
    VIRN_GetSample(m.handle, index, pcm);
    *crc = crc32_of(pcm, byteLength);
    free(pcm);
    return true;
}

// One JSON line per module; false when a sample could not be decoded (its CRC is 0).
static bool print_json(FILE *out, FILE *err, const InputModule &m)
{
    bool ok = true;
    ModuleHandle h = m.handle;
    uint32_t type = GetModType(h);
    uint16_t count = VIRN_GetNumberOfSamples(h, 0);
    std::string line = "{\"file\":" + json_string(m.label.c_str());
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
        uint32_t crc;
        ok = pcm_crc(m, i, s.byteLength, &crc, err) && ok;
        char fields[512];
        snprintf(fields, sizeof fields,
                 "\"length\":%u,\"encoding\":%u,\"byteLength\":%u,\"loopStart\":%u,"
                 "\"loopEnd\":%u,\"sustainStart\":%u,\"sustainEnd\":%u,\"loopType\":%u,"
                 "\"sustainType\":%u,\"rate\":%u,\"channels\":%u,\"bits\":%u,\"pcmCrc32\":%u}",
                 e.length, e.encoding, s.byteLength, s.loopStart, s.loopEnd, s.sustainStart,
                 s.sustainEnd, e.loopType, e.sustainType, e.rate, e.channels, e.bits, crc);
        if (i)
            line += ",";
        line += "{\"index\":" + std::to_string(i) + ",\"name\":" + json_string(e.name) + ",";
        line += fields;
    }
    line += "]}\n";
    fputs(line.c_str(), out);
    return ok;
}

static int run_list(const Options &o, FILE *out, FILE *err)
{
    int status = 0;
    for (const std::string &path : o.files) {
        InputFile input;
        if (!open_input(path, input, err))
            status = 1;
        for (const InputModule &m : input.modules) {
            if (o.json) {
                if (!print_json(out, err, m))
                    status = 1;
            } else
                print_table(out, m);
        }
    }
    return status;
}

// Writes the chosen samples of one module into `folder`; false when a file failed.
static bool extract_module(const Options &o, const InputModule &m, const std::string &folder,
                           FILE *out, FILE *err)
{
    if (!make_folders(folder)) {
        fprintf(err, "virn-grab: %s: cannot create folder\n", folder.c_str());
        return false;
    }
    const CatalogEntry *catalog = ScGetCatalog(m.handle);
    uint16_t count = VIRN_GetNumberOfSamples(m.handle, 0);
    bool ok = true;
    for (unsigned i = 0; i < count; i++) {
        const CatalogEntry &e = catalog[i];
        if (!o.only.empty() && !o.only[i + 1])
            continue;
        if (e.info.byteLength == 0)
            continue;
        char name[4096];
        if (!batch_file_name(name, sizeof name, folder.c_str(), e.name, (int)i + 1,
                             o.raw ? "bin" : "wav")) {
            fprintf(err, "virn-grab: %s: folder name too long\n", folder.c_str());
            return false;
        }
        // As stored, an entry takes `length` bytes; decoded, byteLength plus the header.
        uint32_t need = o.raw && e.length > e.info.byteLength ? e.length : e.info.byteLength;
        uint8_t *buffer = sample_buffer(m.label, i + 1, need, o.raw ? 0 : WAV_IMAGE_OVERHEAD, err);
        if (!buffer) {
            ok = false;
            continue;
        }
        uint32_t size;
        if (o.raw) {
            VIRN_GetSampleAsIs(m.handle, i, buffer);
            size = e.length;
        } else {
            size = build_wav_image(&e, i, buffer, m.handle);
        }
        bool written = write_whole_file(name, buffer, size);
        free(buffer);
        if (!written) {
            fprintf(err, "virn-grab: %s: cannot write\n", name);
            return false;
        }
        fprintf(out, "%s\n", name);
    }
    return ok;
}

// A subfolder name not yet taken in this run (compared without regard to case, as Windows
// does): two modules of the same name get "name" and "name~2".
static std::string unused_folder(std::set<std::string> &used, const std::string &name)
{
    for (unsigned n = 1;; n++) {
        std::string candidate = n == 1 ? name : name + "~" + std::to_string(n);
        std::string key = candidate;
        for (char &c : key)
            c = (char)tolower((unsigned char)c);
        if (used.insert(key).second)
            return candidate;
    }
}

static int run_extract(const Options &o, FILE *out, FILE *err)
{
    int status = 0;
    bool progress = o.files.size() > 1 && err == stderr && is_terminal(2);
    std::set<std::string> used;
    for (size_t k = 0; k < o.files.size(); k++) {
        const std::string &path = o.files[k];
        if (progress)
            fprintf(err, "\r[%zu/%zu] %s\033[K", k + 1, o.files.size(), path.c_str());
        InputFile input;
        if (!open_input(path, input, err))
            status = 1;
        // Several modules (several files, or several module members of an archive): one
        // subfolder each, so their samples never overwrite each other.
        bool several = o.files.size() > 1 || input.modules.size() > 1;
        for (const InputModule &m : input.modules) {
            std::string folder = o.folder;
            if (several)
                folder += PATH_SEPARATOR + unused_folder(used, m.folder);
            fflush(out);
            if (!extract_module(o, m, folder, out, err))
                status = 1;
        }
    }
    if (progress)
        fprintf(err, "\r\033[K");
    return status;
}

int run_virn_grab(const std::vector<std::string> &args, FILE *out, FILE *err)
{
    if (args.empty())
        return usage_error(err, "no command");
    const std::string &command = args[0];
    if (command == "-h" || command == "--help") {
        fputs(Usage, out);
        return 0;
    }
    if (command != "list" && command != "extract")
        return usage_error(err, ("unknown command " + command).c_str());
    Options o;
    for (size_t i = 1; i < args.size(); i++) {
        const std::string &a = args[i];
        if (command == "list" && a == "--json") {
            o.json = true;
        } else if (command == "extract" && a == "--raw") {
            o.raw = true;
        } else if (command == "extract" && (a == "-o" || a == "--only")) {
            if (i + 1 >= args.size())
                return usage_error(err, (a + " needs a value").c_str());
            const char *value = args[++i].c_str();
            if (a == "-o")
                o.folder = value;
            else if (!parse_rows(value, o.only))
                return usage_error(err, "bad row list (e.g. 1,3-5)");
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error(err, ("unknown option " + a).c_str());
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.empty())
        return usage_error(err, "no module files given");
    return command == "list" ? run_list(o, out, err) : run_extract(o, out, err);
}
