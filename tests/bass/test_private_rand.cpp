// The private generator must give the reference platform's rand() sequence, or IT songs
// with random variation would sound different from the reference renderings.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "private_rand.h"

TEST(PrivateRand, SameSequenceAsTheReferenceCLibrary)
{
    for (uint32_t seed : {1u, 2u, 12345u, 0x7FFFFFFFu}) {
        srand(seed);
        RandState s;
        rand_seed(&s, seed);
        for (int i = 0; i < 5000; i++)
            ASSERT_EQ(rand_next(&s), rand()) << "seed " << seed << ", draw " << i;
    }
}
