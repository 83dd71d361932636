// Looped DirectSound playback streams the sample through a buffer exactly as long as the
// loop, L bytes, so that once the loop sits in it the device repeats it with no further
// work however long it is. The buffer is two halves: half 0 is [0, H) with H = L / 2,
// half 1 is [H, L) (one byte longer when L is odd, so the whole buffer is used). Two
// position notifications, at H and at L - blockAlign, say that the device has played a
// half and that half may be written again. The part before the loop (the intro, I bytes)
// goes through the buffer first, half by half, in the same ring order the loop will
// follow, so that the loop's first byte lands where the intro's last byte ends.
//
// This file says which PCM bytes go to which offset at which notification; it is a pure
// function of I, L and blockAlign, and the player thread only carries it out. Portable.
#ifndef GRABBER_STREAM_PLAN_H
#define GRABBER_STREAM_PLAN_H

#include <stdint.h>

struct StreamPlan {
    uint32_t intro;     // I
    uint32_t loop;      // L, the buffer size
    uint32_t half;      // H = L / 2: the size of half 0 and the offset of half 1
    uint32_t notify[2]; // H and L - blockAlign
    uint32_t refills;   // I > L: whole halves of intro written after the first fill
    uint32_t steps;     // writes in all; step 0 comes before Play, every later one
                        // after a notification
};

// One write of the plan: wait for a notification (all steps but the first), move the
// play cursor if asked, then copy `count` PCM bytes from `source` to buffer `offset`.
// offset + count never exceeds L, source + count never exceeds I + L.
struct StreamWrite {
    bool wait;
    bool setPosition;
    uint32_t position;
    uint32_t offset;
    uint32_t source;
    uint32_t count;
};

// False when the loop is shorter than two frames: there are no two halves to stream
// through. blockAlign must not be 0.
bool stream_plan(uint32_t intro, uint32_t loop, uint32_t blockAlign, StreamPlan *plan);

// Write n (0 <= n < plan->steps) of the plan.
StreamWrite stream_write(const StreamPlan *plan, uint32_t n);

#endif
