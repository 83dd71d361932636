// DirectSound: the primary buffer is kept playing so that the mixer runs; a one-shot play
// is one static buffer that signals its stop position; a looped play streams the intro
// through a buffer the size of the loop (stream_plan.h), whose two position
// notifications signal the half-done event.
#include "dsound_devices.h"
#include "player_job.h"
#include "stream_plan.h"

#include <dsound.h>
#include <string.h>

// IDirectSoundNotify; named here so that no GUID library is needed.
static const GUID NotifyInterface = {
    0xB0210783, 0x89CD, 0x11D0, {0xAF, 0x08, 0x00, 0xA0, 0xC9, 0x25, 0xCD, 0x16}};

enum { DRAIN_MARGIN_MS = 100 };

enum {
    // Static, volume control, position notification, precise play cursor.
    SECONDARY_FLAGS = DSBCAPS_STATIC | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY |
                      DSBCAPS_GETCURRENTPOSITION2
};

struct Output {
    IDirectSound *device;
    IDirectSoundBuffer *primary;
    IDirectSoundBuffer *secondary;
    IDirectSoundNotify *notify;
    HANDLE signal; // stop position (one-shot) or half done (looped)
};

static bool open_output(const PlayJob *job, Output *o)
{
    GUID guid;
    const GUID *which = nullptr;
    // 0 is the primary device; another reference that no device has any more fails.
    if (job->device != 0) {
        if (!dsound_device_guid(job->device, &guid))
            return false;
        which = &guid;
    }
    if (FAILED(DirectSoundCreate(which, &o->device, nullptr))) {
        o->device = nullptr;
        return false;
    }
    o->device->SetCooperativeLevel(job->frame ? job->frame : GetDesktopWindow(), DSSCL_NORMAL);
    DSBUFFERDESC desc;
    memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(o->device->CreateSoundBuffer(&desc, &o->primary, nullptr)))
        o->primary = nullptr;
    else
        o->primary->Play(0, 0, DSBPLAY_LOOPING);
    return true;
}

// The secondary buffer of `bytes` bytes, its notification interface and the event they
// signal, at the given positions.
static bool open_buffer(const PlayJob *job, Output *o, uint32_t bytes, const DWORD *positions,
                        int count)
{
    WAVEFORMATEX format;
    wave_format_of(&job->shape, &format);
    DSBUFFERDESC desc;
    memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = SECONDARY_FLAGS;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &format;
    if (FAILED(o->device->CreateSoundBuffer(&desc, &o->secondary, nullptr))) {
        o->secondary = nullptr;
        return false;
    }
    if (FAILED(o->secondary->QueryInterface(NotifyInterface, (void **)&o->notify))) {
        o->notify = nullptr;
        return false;
    }
    o->signal = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!o->signal)
        return false;
    DSBPOSITIONNOTIFY marks[2];
    for (int i = 0; i < count; i++) {
        marks[i].dwOffset = positions[i];
        marks[i].hEventNotify = o->signal;
    }
    o->notify->SetNotificationPositions((DWORD)count, marks);
    o->secondary->SetVolume(dsound_attenuation(job->device, job->volume));
    return true;
}

static void close_output(Output *o)
{
    if (o->secondary)
        o->secondary->Stop();
    if (o->primary)
        o->primary->Stop();
    if (o->notify)
        o->notify->Release();
    if (o->primary)
        o->primary->Release();
    if (o->secondary)
        o->secondary->Release();
    if (o->device)
        o->device->Release();
    if (o->signal)
        CloseHandle(o->signal);
}

static void put(IDirectSoundBuffer *b, uint32_t offset, const uint8_t *from, uint32_t count)
{
    void *first, *second;
    DWORD firstBytes, secondBytes;
    if (count == 0 || FAILED(b->Lock(offset, count, &first, &firstBytes, &second, &secondBytes, 0)))
        return;
    DWORD n = firstBytes < count ? firstBytes : count;
    memcpy(first, from, n);
    if (second && count > n)
        memcpy(second, from + n, secondBytes < count - n ? secondBytes : count - n);
    b->Unlock(first, firstBytes, second, secondBytes);
}

// True when the stop event ended the wait.
static bool wait_for(HANDLE stop, HANDLE signal)
{
    HANDLE both[2] = {stop, signal};
    if (WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0)
        return true;
    ResetEvent(signal);
    return false;
}

// The stop position is reached when the mixer has taken the buffer's last bytes; the
// device has yet to play what the mixer queued. Releasing it now would cut that off
// (25 ms and more under Wine), so the primary buffer's play cursor is followed until it
// has covered the queue (or a stop request comes, or a second has passed: a cursor that
// does not move ends the wait too).
static void play_out(const Output *o, HANDLE stop)
{
    DSBCAPS caps;
    memset(&caps, 0, sizeof caps);
    caps.dwSize = sizeof caps;
    DWORD play, write;
    if (!o->primary || FAILED(o->primary->GetCaps(&caps)) || caps.dwBufferBytes == 0 ||
        FAILED(o->primary->GetCurrentPosition(&play, &write)))
        return;
    const DWORD size = caps.dwBufferBytes;
    DWORD queued = (write + size - play) % size, covered = 0;
    for (int tick = 0; tick < 100 && covered < queued; tick++) {
        if (WaitForSingleObject(stop, 10) == WAIT_OBJECT_0)
            return;
        DWORD now;
        if (FAILED(o->primary->GetCurrentPosition(&now, &write)))
            return;
        covered += (now + size - play) % size;
        play = now;
    }
    // Past the cursor the output has buffers of its own (Wine hands ALSA its queue):
    // a little more time lets them play too.
    WaitForSingleObject(stop, DRAIN_MARGIN_MS);
}

static bool play_once(const PlayJob *job, Output *o)
{
    const DWORD stopPosition = (DWORD)DSBPN_OFFSETSTOP;
    if (!open_buffer(job, o, job->shape.total, &stopPosition, 1))
        return false;
    put(o->secondary, 0, job->buffer, job->shape.total);
    o->secondary->Play(0, 0, 0);
    if (!wait_for(job->stopEvent, o->signal))
        play_out(o, job->stopEvent);
    return true;
}

// The intro is streamed as the plan says; a stop request ends the streaming at once.
static bool play_looped(const PlayJob *job, Output *o)
{
    StreamPlan plan;
    if (!stream_plan(job->shape.intro, job->shape.loop, job->shape.blockAlign, &plan))
        return false;
    const DWORD positions[2] = {plan.notify[0], plan.notify[1]};
    if (!open_buffer(job, o, plan.loop, positions, 2))
        return false;
    for (uint32_t n = 0; n < plan.steps; n++) {
        StreamWrite w = stream_write(&plan, n);
        if (!w.wait)
            ResetEvent(o->signal);
        else if (wait_for(job->stopEvent, o->signal))
            return true;
        if (w.setPosition)
            o->secondary->SetCurrentPosition(w.position);
        put(o->secondary, w.offset, job->buffer + w.source, w.count);
        if (n == 0)
            o->secondary->Play(0, 0, DSBPLAY_LOOPING);
    }
    WaitForSingleObject(job->stopEvent, INFINITE);
    return true;
}

PlayOutcome play_dsound(const PlayJob *job)
{
    Output o;
    memset(&o, 0, sizeof o);
    bool played =
        open_output(job, &o) && (job->shape.looped ? play_looped(job, &o) : play_once(job, &o));
    close_output(&o);
    return played ? PLAY_ENDED : PLAY_NO_DEVICE;
}
