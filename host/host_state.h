// The test host's process-wide record: what the plug-in told the host through its main
// window, what it handed the visualisation hooks, and how the host's output module plays.
// One plug-in at a time, as in the real player.
#ifndef HOST_STATE_H
#define HOST_STATE_H

#include <windows.h>

#include <stdint.h>
#include <string>
#include <vector>

struct HookCounts {
    int savsaInit, savsaDeInit, saAddPcm, vsaAddPcm, vsaSetInfo, saGetMode, saAdd, vsaGetMode,
        vsaAdd, dspIsActive, dspDoSamples, setInfo, eqSet;
    int lastLatency, lastRate;             // SAVSAInit
    int infoBitrate, infoRate, infoStereo; // SetInfo
};

struct HostState {
    HWND window; // hidden main window
    char settingsDir[MAX_PATH];
    std::vector<std::string> enqueued; // IPC_PLAYFILE entries, in order
    int endMessages;                   // WM_WA_MPEG_EOF
    HookCounts hooks;
    bool dspDoubles; // the DSP is active and doubles every sample frame
};

extern HostState g_host;

// Creates the hidden main window (once) and clears the record.
bool host_window_create(const char *settingsDir);
void host_window_destroy();
// Handles every message waiting for this thread.
void host_pump();

// Fills the hooks of an input module record with the host's counters and DSP.
struct In_Module;
void host_fill_hooks(In_Module *module);

#endif
