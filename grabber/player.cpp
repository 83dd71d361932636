// Starting and stopping plays on the UI thread, and the player thread's frame: run the
// job on its output, release it, report.
#include "player.h"
#include "player_job.h"
#include "resource.h"
#include "settings_format.h"

#include <commctrl.h>

static const char NoDeviceText[] = "Unable to open the sound device";
static const char NoRateText[] = "This sample has the frequency 0: it cannot be played.";
static const char NoMemoryText[] = "Not enough memory to play this sample.";

// The UI thread's view of the current play.
struct PlayerState {
    HWND window;     // message-only; receives the threads' reports
    uint32_t serial; // of the latest play started
    HANDLE stop;     // our duplicate of its stop event, 0 once stopped or ended
    HWND notify;     // its starting window
};

static PlayerState g_player;
static volatile LONG g_threads;

int player_threads_running()
{
    return (int)g_threads;
}

static void show_play_image(bool stop)
{
    if (!g_app.toolbar)
        return;
    SendMessageA(g_app.toolbar, TB_CHANGEBITMAP, IDM_PLAY, MAKELPARAM(stop ? 7 : 5, 0));
    InvalidateRect(g_app.toolbar, nullptr, TRUE);
    UpdateWindow(g_app.toolbar);
}

// The play is over for the UI: whoever started it, the button shows "play" again.
static void forget_play()
{
    if (g_player.stop)
        CloseHandle(g_player.stop);
    g_player.stop = nullptr;
    g_player.notify = nullptr;
    g_app.playing = 0;
    show_play_image(false);
}

void player_stop()
{
    if (g_player.stop)
        SetEvent(g_player.stop);
    forget_play();
}

// A thread has ended (wParam: its serial, lParam: its PlayOutcome). Only the latest play
// still counts: an older one was stopped before a newer one started.
static void on_play_done(uint32_t serial, PlayOutcome outcome)
{
    HWND notify = nullptr;
    if (serial == g_player.serial && g_app.playing) {
        notify = g_player.notify;
        forget_play();
        if (notify && IsWindow(notify))
            SendMessageA(notify, WMU_PLAYDONE, 0, 0);
    }
    if (outcome == PLAY_NO_DEVICE) {
        HWND owner = notify && IsWindow(notify) ? notify : g_app.frame;
        MessageBoxA(owner, NoDeviceText, AppCaption, MB_OK | MB_ICONWARNING);
    }
}

static LRESULT CALLBACK player_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WMU_PLAYDONE) {
        on_play_done((uint32_t)wParam, (PlayOutcome)lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

static HWND player_window()
{
    if (g_player.window)
        return g_player.window;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = player_window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VirnPlayer";
    RegisterClassA(&wc);
    g_player.window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      wc.hInstance, nullptr);
    return g_player.window;
}

void wave_format_of(const PlayShape *s, WAVEFORMATEX *f)
{
    ZeroMemory(f, sizeof *f);
    f->wFormatTag = WAVE_FORMAT_PCM;
    f->nChannels = s->channels;
    f->nSamplesPerSec = s->rate;
    f->wBitsPerSample = s->bits;
    f->nBlockAlign = s->blockAlign;
    f->nAvgBytesPerSec = s->byteRate;
}

static DWORD WINAPI player_thread(void *param)
{
    PlayJob *job = (PlayJob *)param;
    PlayOutcome outcome = device_is_waveout(job->device) ? play_waveout(job) : play_dsound(job);
    CloseHandle(job->stopEvent);
    VirtualFree(job->buffer, 0, MEM_RELEASE);
    HWND report = job->reportWindow;
    uint32_t serial = job->serial;
    HeapFree(GetProcessHeap(), 0, job);
    // Synchronous: the UI has taken the end into account before the thread is gone.
    SendMessageA(report, WMU_PLAYDONE, serial, outcome);
    InterlockedDecrement(&g_threads);
    return 1;
}

static uint8_t *pages(size_t bytes)
{
    return (uint8_t *)VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
}

// The play buffer: the sample's PCM, fetched here, on the UI thread, so that the thread
// never reads a module whose window may close meanwhile; a ping-pong loop gets a buffer
// of its own with the loop played back.
static uint8_t *play_buffer(const PlayRequest *r, uint32_t pcmBytes, const PlayShape *s)
{
    // Room for the library's whole frames and the few bytes it may round up to.
    uint8_t *pcm = pages((size_t)pcmBytes + 7);
    if (!pcm)
        return nullptr;
    VIRN_GetSample(r->module, (unsigned)r->index, pcm);
    if (!s->looped || !s->pingPong)
        return pcm;
    uint8_t *both = pages(s->total);
    if (both)
        build_ping_pong(s, pcm, both);
    VirtualFree(pcm, 0, MEM_RELEASE);
    return both;
}

bool player_start(const PlayRequest *r)
{
    const SampleInfo *library = VIRN_GetSampleInfo(r->module, (unsigned)r->index);
    uint32_t pcmBytes = library ? library->byteLength : 0;
    uint32_t device = g_app.outputDevice;
    PlayShape shape;
    switch (shape_play(r->entry, pcmBytes, r->looped, !device_is_waveout(device), &shape)) {
    case PLAY_EMPTY:
        return false;
    case PLAY_NO_RATE:
        MessageBoxA(r->notifyWindow, NoRateText, AppCaption, MB_OK | MB_ICONWARNING);
        return false;
    case PLAY_GO:
        break;
    }
    PlayJob *job = (PlayJob *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(PlayJob));
    uint8_t *buffer = job ? play_buffer(r, pcmBytes, &shape) : nullptr;
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE ours = nullptr;
    if (stop)
        DuplicateHandle(GetCurrentProcess(), stop, GetCurrentProcess(), &ours, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    HANDLE thread = nullptr;
    if (job && buffer && ours) {
        job->shape = shape;
        job->buffer = buffer;
        job->stopEvent = stop;
        job->device = device;
        job->volume = g_app.outputVolume;
        job->frame = g_app.frame;
        job->reportWindow = player_window();
        job->serial = g_player.serial + 1;
        InterlockedIncrement(&g_threads);
        thread = CreateThread(nullptr, 0, player_thread, job, 0, nullptr);
        if (!thread)
            InterlockedDecrement(&g_threads);
    }
    if (!thread) {
        if (ours)
            CloseHandle(ours);
        if (stop)
            CloseHandle(stop);
        if (buffer)
            VirtualFree(buffer, 0, MEM_RELEASE);
        if (job)
            HeapFree(GetProcessHeap(), 0, job);
        MessageBoxA(r->notifyWindow, NoMemoryText, AppCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    CloseHandle(thread);
    g_player.serial++;
    g_player.stop = ours;
    g_player.notify = r->notifyWindow;
    g_app.playing = 1;
    if (r->fromToolbar)
        show_play_image(true);
    return true;
}
