// The built-in demonstration signal: a few seconds of generated drums,
// plucked notes and a chord with room between them for the reverb, so that a
// fresh machine can render something without an audio file.
#pragma once

#include <cstdint>
#include <vector>

constexpr int32_t kDemoSampleRate = 44100;
constexpr int32_t kDemoChannels = 2;
constexpr double kDemoSeconds = 4.0;

// Interleaved stereo at kDemoSampleRate; the same samples on every call.
std::vector<float> makeDemoSignal();
