// Both cases keep one invariant: every write goes into a part of the buffer that the
// device has just finished playing (or has not reached and will not reach before the
// write), and the ring order of what is written is the order of the stream: the intro,
// then the loop, whose first byte follows the intro's last.
//
// Half 0 is [0, H), half 1 is [H, L). H is L / 2 cut to whole frames, so that every
// boundary is a frame boundary; when L is an odd number of frames half 1 is one frame
// longer, and when L is an odd number of bytes (8-bit mono) one byte longer: the writes
// cover the whole buffer in every case. The notification at H says that half 0 has been
// played, the one at L - blockAlign (the last frame: an offset of L does not exist) that
// half 1 has.
#include "stream_plan.h"

static uint32_t half_size(const StreamPlan *p, uint32_t which)
{
    return which ? p->loop - p->half : p->half;
}

static uint32_t half_offset(const StreamPlan *p, uint32_t which)
{
    return which ? p->half : 0;
}

// Bytes in the first j refills: they alternate between half 0 and half 1.
static uint64_t refilled(const StreamPlan *p, uint64_t j)
{
    return j * p->half + j / 2 * (p->loop - 2 * p->half);
}

bool stream_plan(uint32_t intro, uint32_t loop, uint32_t blockAlign, StreamPlan *p)
{
    if (blockAlign == 0 || loop / blockAlign < 2)
        return false;
    p->intro = intro;
    p->loop = loop;
    p->half = loop / 2 - loop / 2 % blockAlign;
    p->notify[0] = p->half;
    p->notify[1] = loop - blockAlign;
    p->refills = 0;
    if (intro <= loop) {
        // The intro fits the buffer: it is written so that it ends at offset L, and the
        // loop begins at offset 0. A short intro (not past H) also brings the loop's
        // first part, half 1's worth, so that the device has the loop in hand when the
        // intro ends: the first notification then fills half 0 with the rest of the loop.
        // Otherwise half 0 and half 1 receive the loop one notification after another.
        p->steps = intro <= p->half ? 2 : 3;
        return true;
    }
    // A longer intro: the buffer starts full with the first L bytes, and every
    // notification refills the half just played with the next intro bytes, as long as
    // a whole half is left of the intro after it (refill m < D = I - L while
    // refilled(m + 1) < D; two refills make exactly L). The last r intro bytes
    // (0 < r <= the next half's size) go at the end of the next half A, so that the loop
    // starts at the beginning of the other half B; the play cursor jumps over the part
    // of A before them.
    uint64_t d = intro - loop;
    uint64_t pairs = (d - 1) / loop;
    uint64_t refills = 2 * pairs + (pairs * loop + p->half < d ? 1 : 0);
    p->refills = (uint32_t)refills;
    p->steps = p->refills + 4;
    return true;
}

static StreamWrite write_of(bool wait, uint32_t offset, uint32_t source, uint32_t count)
{
    StreamWrite w = {wait, false, 0, offset, source, count};
    return w;
}

static StreamWrite short_intro_write(const StreamPlan *p, uint32_t n)
{
    uint32_t h0 = half_size(p, 0), h1 = half_size(p, 1);
    if (p->intro <= p->half) {
        if (n == 0) {
            // Intro plus the loop's first h1 bytes, ending at offset L.
            StreamWrite w = write_of(false, h0 - p->intro, 0, p->intro + h1);
            w.setPosition = true;
            w.position = w.offset;
            return w;
        }
        return write_of(true, 0, p->intro + h1, h0);
    }
    if (n == 0) {
        StreamWrite w = write_of(false, p->loop - p->intro, 0, p->intro);
        w.setPosition = true;
        w.position = w.offset;
        return w;
    }
    if (n == 1)
        return write_of(true, 0, p->intro, h0);
    return write_of(true, p->half, p->intro + h0, h1);
}

StreamWrite stream_write(const StreamPlan *p, uint32_t n)
{
    if (p->intro <= p->loop)
        return short_intro_write(p, n);
    if (n == 0)
        return write_of(false, 0, 0, p->loop);
    if (n <= p->refills) {
        uint32_t j = n - 1, which = j & 1;
        return write_of(true, half_offset(p, which), p->loop + (uint32_t)refilled(p, j),
                        half_size(p, which));
    }
    uint32_t a = p->refills & 1, b = a ^ 1;
    uint32_t endA = half_offset(p, a) + half_size(p, a);
    uint32_t tail = p->intro - p->loop - (uint32_t)refilled(p, p->refills);
    if (n == p->refills + 1)
        return write_of(true, endA - tail, p->intro - tail, tail);
    if (n == p->refills + 2) {
        // The device has just left half B for half A, whose first bytes are old: it
        // jumps to the tail, unless the tail fills A.
        StreamWrite w = write_of(true, half_offset(p, b), p->intro, half_size(p, b));
        w.setPosition = tail < half_size(p, a);
        w.position = endA - tail;
        return w;
    }
    return write_of(true, half_offset(p, a), p->intro + half_size(p, b), half_size(p, a));
}
