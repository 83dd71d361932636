// The limits every caller relies on, whatever a file says: a length only with data, a
// byteLength that leaves room for headers, playing loops inside the PCM, rates that keep
// rate x block size within 32 bits. The damaged-file sweep and the fuzz target hold
// every entry to them.
#ifndef TESTS_VIRN_ENTRY_LIMITS_H
#define TESTS_VIRN_ENTRY_LIMITS_H

#include "virn.h"

inline bool within_limits(const CatalogEntry &e)
{
    bool loops = e.loopType == VIRN_LOOP_FORWARD || e.loopType == VIRN_LOOP_PINGPONG;
    bool sustains = e.sustainType == VIRN_LOOP_FORWARD || e.sustainType == VIRN_LOOP_PINGPONG;
    return (!e.length || e.data) && e.info.byteLength <= VIRN_MAX_BYTE_LENGTH &&
           (!loops || e.info.loopEnd <= e.info.byteLength) &&
           (!sustains || e.info.sustainEnd <= e.info.byteLength) && e.rate >= VIRN_MIN_RATE &&
           e.rate <= VIRN_MAX_RATE;
}

#endif
