// The visualisation and DSP hooks a host fills into an input module: they count their
// calls; the DSP, when switched on, doubles every sample frame (the most a DSP may return).
#include "host_state.h"
#include "winamp_records.h"

#include <string.h>

static void __cdecl savsa_init(int maxLatency, int rate)
{
    g_host.hooks.savsaInit++;
    g_host.hooks.lastLatency = maxLatency;
    g_host.hooks.lastRate = rate;
}

// A hook that only counts its calls and answers 0 where it answers at all.
template <int HookCounts::*count, typename R, typename... Args> static R __cdecl counted(Args...)
{
    (g_host.hooks.*count)++;
    return R();
}

static int __cdecl vsa_get_mode(int *specNch, int *waveNch)
{
    g_host.hooks.vsaGetMode++;
    if (specNch)
        *specNch = 0;
    if (waveNch)
        *waveNch = 0;
    return 0;
}

static int __cdecl dsp_is_active()
{
    g_host.hooks.dspIsActive++;
    return g_host.dspDoubles ? 1 : 0;
}

// Every frame twice, in place: the plug-in leaves room for twice the frames it hands in.
static int __cdecl dsp_do_samples(short *samples, int frames, int bits, int channels, int)
{
    g_host.hooks.dspDoSamples++;
    if (!g_host.dspDoubles || frames <= 0 || channels <= 0 || (bits != 8 && bits != 16))
        return frames;
    size_t frameBytes = (size_t)channels * (size_t)(bits / 8);
    unsigned char *bytes = (unsigned char *)samples;
    for (int i = frames - 1; i >= 0; i--) {
        memmove(bytes + (size_t)(2 * i + 1) * frameBytes, bytes + (size_t)i * frameBytes,
                frameBytes);
        memmove(bytes + (size_t)(2 * i) * frameBytes, bytes + (size_t)i * frameBytes, frameBytes);
    }
    return 2 * frames;
}

static void __cdecl set_info(int bitrate, int rate, int stereo, int)
{
    g_host.hooks.setInfo++;
    g_host.hooks.infoBitrate = bitrate;
    g_host.hooks.infoRate = rate;
    g_host.hooks.infoStereo = stereo;
}

void host_fill_hooks(In_Module *m)
{
    m->SAVSAInit = savsa_init;
    m->SAVSADeInit = counted<&HookCounts::savsaDeInit>;
    m->SAAddPCMData = counted<&HookCounts::saAddPcm>;
    m->SAGetMode = counted<&HookCounts::saGetMode>;
    m->SAAdd = counted<&HookCounts::saAdd>;
    m->VSAAddPCMData = counted<&HookCounts::vsaAddPcm>;
    m->VSAGetMode = vsa_get_mode;
    m->VSAAdd = counted<&HookCounts::vsaAdd>;
    m->VSASetInfo = counted<&HookCounts::vsaSetInfo>;
    m->dsp_isactive = dsp_is_active;
    m->dsp_dosamples = dsp_do_samples;
    m->EQSet = counted<&HookCounts::eqSet>;
    m->SetInfo = set_info;
}
