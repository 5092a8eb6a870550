#pragma once

// The millisecond clock and its resolution.

#include "platform/types.h"

using MMRESULT = UINT;

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};

constexpr MMRESULT TIMERR_NOERROR = 0;
constexpr MMRESULT TIMERR_NOCANDO = 97;

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size);
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);

// Milliseconds of a monotonic clock; wraps modulo 2^32.
DWORD timeGetTime();
