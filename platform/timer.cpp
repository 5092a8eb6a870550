#include "platform/timer.h"

#include "platform/backend.h"

namespace {
// The monotonic clock needs no raised resolution; the range is checked as the
// system does so that callers see the same results.
constexpr UINT periodMin = 1;
constexpr UINT periodMax = 1000000;
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
    return CurrentBackend().Milliseconds();
}
