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

static void __cdecl savsa_deinit()
{
    g_host.hooks.savsaDeInit++;
}

static void __cdecl sa_add_pcm(void *, int, int, int)
{
    g_host.hooks.saAddPcm++;
}

static int __cdecl sa_get_mode()
{
    g_host.hooks.saGetMode++;
    return 0;
}

static void __cdecl sa_add(void *, int, int)
{
    g_host.hooks.saAdd++;
}

static void __cdecl vsa_add_pcm(void *, int, int, int)
{
    g_host.hooks.vsaAddPcm++;
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

static void __cdecl vsa_add(void *, int)
{
    g_host.hooks.vsaAdd++;
}

static void __cdecl vsa_set_info(int, int)
{
    g_host.hooks.vsaSetInfo++;
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

static void __cdecl eq_set(int, char *, int)
{
    g_host.hooks.eqSet++;
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
    m->SAVSADeInit = savsa_deinit;
    m->SAAddPCMData = sa_add_pcm;
    m->SAGetMode = sa_get_mode;
    m->SAAdd = sa_add;
    m->VSAAddPCMData = vsa_add_pcm;
    m->VSAGetMode = vsa_get_mode;
    m->VSAAdd = vsa_add;
    m->VSASetInfo = vsa_set_info;
    m->dsp_isactive = dsp_is_active;
    m->dsp_dosamples = dsp_do_samples;
    m->EQSet = eq_set;
    m->SetInfo = set_info;
}
