#include "platform/portable/d3d9/frame_delay.h"

#include <algorithm>

namespace portable {

namespace {
// Drawing times spread with their length (llvmpipe's frames by about a tenth
// beyond the longest of two seconds, a few in a thousand): a tenth of the
// longest is added, and a margin for waking (WaitUntil yields its last
// millisecond, so it wakes within microseconds).
constexpr int64_t kStartMarginNs = 500000;
constexpr int64_t kSpreadDivisor = 10;
// Frames timed before holding at all: one slow frame after a start or a
// Reset (uploads, a mode switch) must be seen before it is trusted.
constexpr int kTimedBeforeHolding = 8;
} // namespace

void RestartFrameDelay(FrameDelay& delay) { delay = FrameDelay{}; }

void RecordFrameDrawn(FrameDelay& delay, int64_t finishedNs, int64_t periodNs)
{
    if (delay.releasedNs < 0 || periodNs <= 0) return;
    // A frame longer than a period leaves nothing to hold whatever its length;
    // a stall (a recovery, a load) must not be remembered as drawing.
    delay.drawNs[delay.nextSlot] = std::clamp<int64_t>(finishedNs - delay.releasedNs, 0, periodNs);
    delay.nextSlot = (delay.nextSlot + 1) % FrameDelay::kHistory;
    delay.recorded = std::min(delay.recorded + 1, FrameDelay::kHistory);
}

int64_t LatestStartNs(const FrameDelay& delay, const RetraceClock& retrace, int64_t nowNs)
{
    if (retrace.periodNs <= 0 || retrace.lastShownNs < 0 || delay.recorded < kTimedBeforeHolding) return nowNs;
    const int64_t longest = *std::max_element(delay.drawNs, delay.drawNs + delay.recorded);
    const int64_t nextRetrace = retrace.lastShownNs + retrace.intervals * retrace.periodNs;
    return std::max(nowNs, nextRetrace - longest - longest / kSpreadDivisor - kStartMarginNs);
}

void ReleaseFrame(FrameDelay& delay, int64_t nowNs) { delay.releasedNs = nowNs; }

} // namespace portable
