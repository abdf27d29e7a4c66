// Golden renders: a fixed stereo input through a freshly loaded plug-in,
// hashed bit for bit, so that any change to an algorithm or to the block path
// that alters a single output bit is seen. The hashes in the tests were taken
// from this build on Linux x86-64; they change only when the sound does.
#pragma once

#include "TestHost.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct GoldenRenderSettings
{
    VstInt32 type = 0;           // algorithm type index 0..8
    float hostRate = 44100.0f;
    VstInt32 blockSize = 512;
    // Further normalised parameter values, set after the type.
    std::vector<std::pair<VstInt32, float>> parameters;
};

// The fixed input: a click on the left, a click on the right, a burst of
// noise, a sine sweep and then silence for the tail; 1.5 seconds at the
// host rate. Deterministic on every platform.
void goldenInput(float hostRate, std::vector<float>& left, std::vector<float>& right);

// Renders the fixed input. The type fade runs out on silence first, so the
// input meets the chosen algorithm from cleared memory. Returns the output
// interleaved left, right.
std::vector<float> renderGolden(const GoldenRenderSettings& settings);

// FNV-1a over the bit patterns of the samples, as 16 hex digits.
std::string hashSamples(const std::vector<float>& samples);
