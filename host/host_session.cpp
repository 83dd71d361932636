#include "host_session.h"
#include "host_state.h"
#include "wav_output.h"
#include "winamp_records.h"

#include <stdlib.h>
#include <string.h>

namespace
{

enum { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2, EXIT_TIMEOUT = 3 };
// A song must end within this much real time (the output is not paced).
const DWORD PlayTimeoutMs = 10 * 60 * 1000;
const DWORD PauseMs = 100;

struct Options {
    const char *plugin = nullptr;
    const char *command = nullptr;
    const char *file = nullptr;
    const char *wav = nullptr;
    const char *iniDir = nullptr;
    int seekMs = -1;
    int pauseAtMs = -1;
    int seconds = 0;
    bool dsp = false;
};

bool parse_number(const char *text, int *value)
{
    char *end = nullptr;
    long v = strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 0x7FFFFFFF / 1000)
        return false;
    *value = (int)v;
    return true;
}

bool parse(int argc, char **argv, Options *o)
{
    int positional = 0;
    for (int i = 0; i < argc; i++) {
        const char *a = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(a, "--dsp") == 0) {
            o->dsp = true;
        } else if (strcmp(a, "-o") == 0 && hasValue) {
            o->wav = argv[++i];
        } else if (strcmp(a, "--ini-dir") == 0 && hasValue) {
            o->iniDir = argv[++i];
        } else if (strcmp(a, "--seek") == 0 && hasValue) {
            if (!parse_number(argv[++i], &o->seekMs))
                return false;
        } else if (strcmp(a, "--pause-at") == 0 && hasValue) {
            if (!parse_number(argv[++i], &o->pauseAtMs))
                return false;
        } else if (strcmp(a, "--seconds") == 0 && hasValue) {
            if (!parse_number(argv[++i], &o->seconds))
                return false;
        } else if (a[0] == '-' && a[1]) {
            return false;
        } else if (positional == 0) {
            o->plugin = a, positional++;
        } else if (positional == 1) {
            o->command = a, positional++;
        } else if (positional == 2) {
            o->file = a, positional++;
        } else {
            return false;
        }
    }
    if (!o->plugin || !o->command)
        return false;
    bool needsFile = strcmp(o->command, "play") == 0 || strcmp(o->command, "info") == 0 ||
                     strcmp(o->command, "infobox") == 0;
    bool known = needsFile || strcmp(o->command, "config") == 0 || strcmp(o->command, "about") == 0;
    return known && (needsFile ? o->file != nullptr : o->file == nullptr);
}

void program_folder(char *out, size_t size)
{
    DWORD n = GetModuleFileNameA(nullptr, out, (DWORD)size);
    if (n == 0 || n >= size) {
        lstrcpynA(out, ".", (int)size);
        return;
    }
    char *slash = strrchr(out, '\\');
    if (slash)
        *slash = 0;
}

// Waits while the host keeps handling its window's messages and playing the output.
void wait_pumping(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        host_pump();
        Sleep(1);
    }
}

int play(In_Module *m, const Options &o, FILE *out)
{
    // A pause at a given time needs the host to set the pace; otherwise the output plays
    // as the plug-in writes, and the song renders as fast as the plug-in can go.
    bool fast = o.pauseAtMs < 0;
    WavOutputOptions wav = {o.wav, (uint64_t)o.seconds * 1000, o.seekMs >= 0, fast};
    wav_output_configure(&wav);
    g_host.dspDoubles = o.dsp;
    char name[MAX_PATH];
    lstrcpynA(name, o.file, sizeof name);
    int result = m->Play(name);
    fprintf(out, "play: %d\n", result);
    if (result != 0)
        return EXIT_FAILED;
    if (o.seekMs >= 0)
        m->SetOutputTime(o.seekMs);
    bool paused = false;
    DWORD start = GetTickCount();
    int status = EXIT_DONE;
    for (;;) {
        host_pump();
        wav_output_play();
        if (g_host.endMessages > 0 || wav_output_limit_reached())
            break;
        if (o.pauseAtMs >= 0 && !paused && m->GetOutputTime() >= o.pauseAtMs) {
            m->Pause();
            // The plug-in's time may wobble while its thread fills the buffer; what the
            // output has played must stand still.
            int before = m->GetOutputTime();
            int playedBefore = m->outMod->GetOutputTime();
            fprintf(out, "paused: %d\n", m->IsPaused());
            wait_pumping(PauseMs);
            fprintf(out, "time while paused: %d -> %d\n", before, m->GetOutputTime());
            fprintf(out, "played while paused: %d -> %d\n", playedBefore,
                    m->outMod->GetOutputTime());
            m->UnPause();
            fprintf(out, "resumed: %d\n", m->IsPaused() == 0);
            paused = true;
        }
        if (GetTickCount() - start > PlayTimeoutMs) {
            status = EXIT_TIMEOUT;
            break;
        }
        // Playing as the plug-in writes, this loop only plays what a held start kept back
        // and waits for the end message without taking the processor from the plug-in.
        if (fast)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        else
            Sleep(1);
    }
    int length = m->GetLength();
    int time = m->GetOutputTime();
    m->Stop();
    host_pump();
    WavOutputStats s = wav_output_stats();
    const HookCounts &h = g_host.hooks;
    fprintf(out, "length: %d\n", length);
    fprintf(out, "output time: %d\n", time);
    fprintf(out, "end messages: %d\n", g_host.endMessages);
    fprintf(out, "format: %d %d %d\n", s.rate, s.channels, s.bits);
    fprintf(out, "info: %d %d %d\n", h.infoBitrate, h.infoRate, h.infoStereo);
    fprintf(out, "written bytes: %llu\n", (unsigned long long)s.writtenBytes);
    fprintf(out, "played bytes: %llu\n", (unsigned long long)s.playedBytes);
    fprintf(out, "opens: %d\ncloses: %d\nflushes: %d\nlast flush: %d\n", s.opens, s.closes,
            s.flushes, s.lastFlush);
    fprintf(out, "hooks: savsa %d/%d sa %d vsa %d setinfo %d dsp %d\n", h.savsaInit, h.savsaDeInit,
            h.saAddPcm, h.vsaAddPcm, h.vsaSetInfo, h.dspDoSamples);
    if (status == EXIT_TIMEOUT)
        fprintf(out, "timeout: the song did not end\n");
    return status;
}

int info(In_Module *m, const Options &o, FILE *out)
{
    char name[MAX_PATH];
    lstrcpynA(name, o.file, sizeof name);
    // The player's title buffer holds GETFILEINFO_TITLE_LENGTH (2048) characters.
    char title[2048] = "";
    int length = -1;
    m->GetFileInfo(name, title, &length);
    host_pump();
    fprintf(out, "title: %s\n", title);
    fprintf(out, "length: %d\n", length);
    for (const std::string &e : g_host.enqueued)
        fprintf(out, "enqueued: %s\n", e.c_str());
    return EXIT_DONE;
}

} // namespace

In_Module *host_load_plugin(const char *path, HMODULE *library)
{
    *library = LoadLibraryA(path);
    GetInModuleFunction get =
        *library ? (GetInModuleFunction)(void *)GetProcAddress(*library, "winampGetInModule2")
                 : nullptr;
    In_Module *m = get ? get() : nullptr;
    if (!m || m->version != IN_MODULE_VERSION) {
        if (*library)
            FreeLibrary(*library);
        *library = nullptr;
        return nullptr;
    }
    m->hMainWindow = g_host.window;
    m->hDllInstance = *library;
    Out_Module *output = wav_output_module();
    output->hMainWindow = g_host.window;
    output->hDllInstance = GetModuleHandleA(nullptr);
    m->outMod = output;
    host_fill_hooks(m);
    return m;
}

int host_run(int argc, char **argv, FILE *out)
{
    Options o;
    if (!parse(argc, argv, &o)) {
        fprintf(out, "usage: quorvel-host PLUGIN play FILE [-o OUT.wav] [--seek MS] "
                     "[--pause-at MS] [--seconds N] [--dsp] [--ini-dir DIR]\n"
                     "       quorvel-host PLUGIN info|infobox FILE [--ini-dir DIR]\n"
                     "       quorvel-host PLUGIN config|about [--ini-dir DIR]\n");
        return EXIT_USAGE;
    }
    char folder[MAX_PATH];
    program_folder(folder, sizeof folder);
    if (!host_window_create(o.iniDir ? o.iniDir : folder)) {
        fprintf(out, "error: cannot create the main window\n");
        return EXIT_FAILED;
    }
    HMODULE library;
    In_Module *m = host_load_plugin(o.plugin, &library);
    if (!m) {
        fprintf(out, "error: %s is no input plug-in\n", o.plugin);
        return EXIT_FAILED;
    }
    fprintf(out, "plug-in: %s\n", m->description ? m->description : "");
    m->Init();

    int status = EXIT_DONE;
    if (strcmp(o.command, "play") == 0) {
        status = play(m, o, out);
    } else if (strcmp(o.command, "info") == 0) {
        status = info(m, o, out);
    } else if (strcmp(o.command, "infobox") == 0) {
        char name[MAX_PATH];
        lstrcpynA(name, o.file, sizeof name);
        fprintf(out, "infobox: %d\n", m->InfoBox(name, g_host.window));
    } else if (strcmp(o.command, "config") == 0) {
        m->Config(g_host.window);
    } else {
        m->About(g_host.window);
    }
    m->Quit();
    FreeLibrary(library);
    host_pump();
    return status;
}
