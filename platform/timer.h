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

// For a show run again from its start, unseen, or held on one frame: frozen, the timer
// stands at the time it showed and moves only when it is advanced; thawed, it goes on from
// there at the clock's pace. It never goes back.
void FreezeTimer();
void AdvanceFrozenTimer(DWORD ms);
void ThawTimer();
bool TimerFrozen();
