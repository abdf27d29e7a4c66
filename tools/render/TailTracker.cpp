#include "TailTracker.h"

#include <algorithm>
#include <cmath>

namespace
{
const float kThreshold = static_cast<float>(std::pow(10.0, kTailThresholdDecibels / 20.0));
}

TailTracker::TailTracker(int64_t capFrames, int64_t holdFrames)
    : cap(std::max<int64_t>(capFrames, 0)), hold(std::max<int64_t>(holdFrames, 1))
{
}

int64_t TailTracker::observe(const float* left, const float* right, int64_t frames)
{
    const int64_t count = std::clamp<int64_t>(cap - seen, 0, frames);
    for (int64_t i = 0; i < count; ++i)
        // NaN counts as loud: a broken output should not pass as silence.
        if (!(std::fabs(left[i]) < kThreshold) || !(std::fabs(right[i]) < kThreshold))
            loudEnd = seen + i + 1;
    seen += count;
    return count;
}

int64_t tailHoldFrames(double preDelaySeconds, double sampleRate)
{
    return std::llround((std::max(preDelaySeconds, 0.0) + kTailHoldSeconds) * sampleRate);
}
