#include "platform/timer.h"

#include "platform/backend.h"
#include "platform/process_internal.h"

namespace {
// The monotonic clock needs no raised resolution; the range is checked as the
// system does so that callers see the same results.
constexpr UINT periodMin = 1;
constexpr UINT periodMax = 1000000;

// What the timer shows: the backend's clock moved on by offset, or, frozen, frozenAt.
struct TimerState {
    DWORD offset = 0;
    bool frozen = false;
    DWORD frozenAt = 0;
};

TimerState timer;
} // namespace

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size) {
    if (caps == nullptr || size < sizeof(TIMECAPS)) {
        return TIMERR_NOCANDO;
    }
    caps->wPeriodMin = periodMin;
    caps->wPeriodMax = periodMax;
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT period) {
    return period >= periodMin && period <= periodMax ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT timeEndPeriod(UINT period) {
    return timeBeginPeriod(period);
}

DWORD timeGetTime() {
    return timer.frozen ? timer.frozenAt : CurrentBackend().Milliseconds() + timer.offset;
}

void FreezeTimer() {
    timer.frozenAt = timeGetTime();
    timer.frozen = true;
}

void AdvanceFrozenTimer(DWORD ms) {
    timer.frozenAt += ms;
}

void ThawTimer() {
    if (timer.frozen) {
        timer.offset = timer.frozenAt - CurrentBackend().Milliseconds();
        timer.frozen = false;
    }
}

bool TimerFrozen() {
    return timer.frozen;
}

void ResetTimer() {
    timer = TimerState{};
}
