// in_probe.dll: a tiny input plug-in of our own that shows what a host or the information
// command asks of another plug-in. A "song" is a text file holding its length in
// milliseconds; one that also holds the word "list" makes GetFileInfo enqueue two entries. It
// plays nothing (the host's playback is proven with In_Quorvel.dll itself). Every call
// that shows nothing (Init, Quit, Config, About, InfoBox) is appended to the file named
// by the environment variable PROBE_LOG, when it is set.
#include "winamp_records.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

namespace
{

In_Module g_module;

void log_line(const char *text)
{
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("PROBE_LOG", path, sizeof path);
    FILE *f = n && n < sizeof path ? fopen(path, "ab") : nullptr;
    if (f) {
        fprintf(f, "%s\n", text);
        fclose(f);
    }
}

void __cdecl get_file_info(char *file, char *title, int *length)
{
    char text[64] = "";
    FILE *f = file ? fopen(file, "rb") : nullptr;
    if (f) {
        text[fread(text, 1, sizeof text - 1, f)] = 0;
        fclose(f);
    }
    *length = f ? atoi(text) : -1;
    const char *slash = file ? strrchr(file, '\\') : nullptr;
    snprintf(title, 2048, "probe %s", slash ? slash + 1 : "");
    for (const char *member : {"<one", "<two"}) {
        if (!strstr(text, "list"))
            break;
        char entry[MAX_PATH];
        snprintf(entry, sizeof entry, "%s%s", file, member);
        EnqueueFile e = {entry, nullptr, 0};
        SendMessageA(g_module.hMainWindow, WM_USER, (WPARAM)&e, IPC_PLAYFILE);
    }
}

int __cdecl info_box(char *file, HWND parent)
{
    char line[MAX_PATH + 32];
    snprintf(line, sizeof line, "infobox %s %s", file, parent ? "owned" : "unowned");
    log_line(line);
    return 0;
}

} // namespace

extern "C" __declspec(dllexport) In_Module *__cdecl winampGetInModule2()
{
    g_module.version = IN_MODULE_VERSION;
    g_module.description = (char *)"Probe test plug-in";
    g_module.FileExtensions = (char *)"PROBE\0Probe songs (*.PROBE)\0";
    g_module.Config = [](HWND) { log_line("config"); };
    g_module.About = [](HWND) { log_line("about"); };
    g_module.Init = [] { log_line("init"); };
    g_module.Quit = [] { log_line("quit"); };
    g_module.GetFileInfo = get_file_info;
    g_module.InfoBox = info_box;
    g_module.Play = [](char *) { return -1; };
    return &g_module;
}
