// Decides where the reverb tail after the input ends: at the last sample at
// or above -90 dBFS, once the output has stayed below that level for a hold
// time (long enough to bridge the pre-delay), and never beyond a cap.
#pragma once

#include <cstdint>

constexpr double kTailThresholdDecibels = -90.0;
// Quiet output must last this long, plus the pre-delay, before the tail is
// taken as finished.
constexpr double kTailHoldSeconds = 0.5;

class TailTracker
{
public:
    TailTracker(int64_t capFrames, int64_t holdFrames);

    // Looks at the next frames of the tail (after the input). Frames beyond
    // the cap are ignored. Returns how many frames were looked at.
    int64_t observe(const float* left, const float* right, int64_t frames);

    // The tail length so far: up to and including its last loud frame.
    int64_t length() const { return loudEnd; }
    int64_t framesSeen() const { return seen; }
    bool finished() const { return seen >= cap || seen - loudEnd >= hold; }

private:
    int64_t cap;
    int64_t hold;
    int64_t seen = 0;
    int64_t loudEnd = 0;
};

// Frames of hold for a pre-delay in seconds at a sample rate.
int64_t tailHoldFrames(double preDelaySeconds, double sampleRate);
