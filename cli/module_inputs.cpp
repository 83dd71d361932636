#include "module_inputs.h"

#include "archive_members.h"
#include "file_names.h"
#include "files.h"
#include "package.h"

#include <ctype.h>
#include <string.h>

InputFile::~InputFile()
{
    for (InputModule &m : modules)
        if (m.handle)
            VIRN_FreeModule(m.handle);
}

// A folder name made of untrusted text, the same on every system.
static std::string safe_folder(const std::string &text)
{
    char safe[256];
    safe_file_name(text.c_str(), safe, sizeof safe);
    return safe;
}

static bool load_module(const uint8_t *bytes, size_t size, InputModule &m)
{
    m.handle = VIRN_LoadModule(bytes, (uint32_t)size);
    if (!m.handle)
        return false;
    uint32_t inner = packaged_module_type(bytes, size);
    m.packaged = inner != 0 && inner == GetModType(m.handle);
    return true;
}

// A member whose name says it is a module of a format we read: failing to load it is an
// error. Other members (texts, pictures) that do not load are passed over in silence.
static bool named_like_module(const char *name)
{
    static const char *const extensions[] = {"mod", "s3m", "xm",  "it",  "stm", "mtm",
                                             "ult", "ptm", "psm", "dbm", "umx"};
    const char *dot = strrchr(name, '.');
    if (!dot)
        return false;
    for (const char *e : extensions) {
        size_t n = strlen(e);
        if (strlen(dot + 1) != n)
            continue;
        size_t i = 0;
        while (i < n && tolower((unsigned char)dot[1 + i]) == e[i])
            i++;
        if (i == n)
            return true;
    }
    return false;
}

// The module members of an archive, in the order of its central directory.
static bool open_members(const std::string &path, ExtractedMember *chain, InputFile &input,
                         FILE *err)
{
    bool ok = true;
    for (ExtractedMember *r = chain; r; r = r->next) {
        InputModule m;
        m.label = path + "<" + r->name;
        if (r->size == 0 || !load_module(r->data, r->size, m)) {
            if (named_like_module(r->name)) {
                fprintf(err, "virn-grab: %s: not a supported module\n", m.label.c_str());
                ok = false;
            }
            continue;
        }
        // The member name is the archive's text: made safe, it cannot leave the folder.
        m.folder = safe_folder(file_name(path) + "<" + r->name);
        input.modules.push_back(m);
    }
    return ok;
}

bool open_input(const std::string &path, InputFile &input, FILE *err)
{
    std::vector<uint8_t> bytes;
    if (!read_whole_file(path, bytes)) {
        fprintf(err, "virn-grab: %s: cannot read\n", path.c_str());
        return false;
    }
    if (ExtractedMember *chain = unpack_members(bytes.data(), bytes.size())) {
        bool ok = open_members(path, chain, input, err);
        release_members(chain);
        if (input.modules.empty()) {
            fprintf(err, "virn-grab: %s: no module in this archive\n", path.c_str());
            return false;
        }
        return ok;
    }
    if (starts_like_zip(bytes.data(), bytes.size())) {
        fprintf(err, "virn-grab: %s: no module in this archive\n", path.c_str());
        return false;
    }
    InputModule m;
    m.label = path;
    m.folder = safe_folder(file_stem(path));
    if (!load_module(bytes.data(), bytes.size(), m)) {
        fprintf(err, "virn-grab: %s: not a supported module\n", path.c_str());
        return false;
    }
    input.modules.push_back(m);
    return true;
}
