// waveOut: one header for a one-shot play; for a looped one the intro header, then the
// loop header repeated endlessly by the device. The device signals an event of its own
// (opening, every finished header), apart from the stop event, so that neither can be
// mistaken for the other: a stop request is never lost, whenever it comes.
#include "player_job.h"
#include "settings_format.h"

#include <string.h>

PlayOutcome play_waveout(const PlayJob *job)
{
    const PlayShape *s = &job->shape;
    HANDLE deviceEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!deviceEvent)
        return PLAY_NO_DEVICE;
    WAVEFORMATEX format;
    wave_format_of(s, &format);
    UINT id = (job->device & 0xFFFF) == 0xFFFF ? WAVE_MAPPER : (UINT)(job->device & 0xFFFF);
    HWAVEOUT wo = nullptr;
    if (waveOutOpen(&wo, id, &format, (DWORD_PTR)deviceEvent, 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR) {
        CloseHandle(deviceEvent);
        return PLAY_NO_DEVICE;
    }
    DWORD level = waveout_level(job->device, job->volume);
    waveOutSetVolume(wo, level | level << 16);
    ResetEvent(deviceEvent); // opening signalled it

    WAVEHDR headers[2];
    memset(headers, 0, sizeof headers);
    WAVEHDR *intro = &headers[0], *loop = &headers[1];
    HANDLE events[2] = {job->stopEvent, deviceEvent};
    if (!s->looped) {
        intro->lpData = (LPSTR)job->buffer;
        intro->dwBufferLength = s->total;
        waveOutPrepareHeader(wo, intro, sizeof *intro);
        waveOutWrite(wo, intro, sizeof *intro);
        // Ends with a stop request or with the header done; other device signals pass.
        while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
            ResetEvent(deviceEvent);
            if (intro->dwFlags & WHDR_DONE)
                break;
        }
    } else {
        intro->lpData = (LPSTR)job->buffer;
        intro->dwBufferLength = s->intro;
        loop->lpData = (LPSTR)job->buffer + s->intro;
        loop->dwBufferLength = s->loop;
        loop->dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        loop->dwLoops = 0xFFFFFFFF;
        // Both headers are queued at once: the device goes from the intro's last byte
        // straight to the loop (waiting for the intro first would leave a gap of silence
        // between them), and the only wait left is the one for the stop request. No
        // intro: no header for it (an empty one would only queue silence).
        if (s->intro) {
            waveOutPrepareHeader(wo, intro, sizeof *intro);
            waveOutWrite(wo, intro, sizeof *intro);
        }
        waveOutPrepareHeader(wo, loop, sizeof *loop);
        waveOutWrite(wo, loop, sizeof *loop);
        WaitForSingleObject(job->stopEvent, INFINITE);
        waveOutBreakLoop(wo);
    }
    waveOutReset(wo);
    for (WAVEHDR &h : headers)
        if (h.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(wo, &h, sizeof h);
    waveOutClose(wo);
    CloseHandle(deviceEvent);
    return PLAY_ENDED;
}
