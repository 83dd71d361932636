#include "win_helpers.h"

#include <gtest/gtest.h>
#include <string.h>

DWORD load_from_pages(const Bytes &module, DWORD flags)
{
    uint8_t *pages = (uint8_t *)VirtualAlloc(nullptr, module.size() + 1, MEM_COMMIT | MEM_RESERVE,
                                             PAGE_READWRITE);
    memcpy(pages, module.data(), module.size());
    DWORD music = BASS_MusicLoad(TRUE, pages, 0, 0, flags);
    VirtualFree(pages, 0, MEM_RELEASE);
    return music;
}

void start_library(int device, DWORD rate, DWORD deviceFlags)
{
    BASS_Stop();
    BASS_Free();
    ASSERT_TRUE(BASS_Init(device, rate, deviceFlags, nullptr)) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_Start());
}

DWORD load_song(const Bytes &module, DWORD flags, DWORD rate, DWORD deviceFlags)
{
    start_library(BASS_DEVICE_NONE, rate, deviceFlags);
    return load_from_pages(module, flags);
}

Bytes pull_all(DWORD music, DWORD chunk)
{
    Bytes all, block(chunk);
    for (;;) {
        DWORD n = BASS_ChannelGetData(music, block.data(), chunk);
        if (n == (DWORD)-1) {
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
            break;
        }
        EXPECT_GT(n, 0u);
        if (n < chunk) { // the last block: the next request reports the end
            all.insert(all.end(), block.begin(), block.begin() + n);
            EXPECT_EQ(BASS_ChannelGetData(music, block.data(), chunk), (DWORD)-1);
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
            break;
        }
        all.insert(all.end(), block.begin(), block.end());
    }
    return all;
}
