// The render job: priming silence, the input in host-sized blocks, then the
// reverb tail, from a source of frames to a sink of stereo frames.
#pragma once

#include "EffectHost.h"

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class FrameSource
{
public:
    explicit FrameSource(int32_t channelCount) : channels(channelCount) {}
    virtual ~FrameSource() = default;
    // Reads up to `frames` interleaved frames; fewer means the input ended.
    virtual int64_t read(float* interleaved, int64_t frames) = 0;
    // Why the input ended early, or empty when it simply ended.
    virtual std::string failure() const { return ""; }

    const int32_t channels;
};

class FrameSink
{
public:
    virtual ~FrameSink() = default;
    virtual bool write(const float* interleavedStereo, int64_t frames, std::string& error) = 0;
};

// Frames held in memory: the demonstration signal, and tests.
class MemorySource : public FrameSource
{
public:
    MemorySource(std::vector<float> interleaved, int32_t channels);
    int64_t read(float* interleaved, int64_t frames) override;

private:
    std::vector<float> samples;
    size_t position = 0;
};

class MemorySink : public FrameSink
{
public:
    bool write(const float* interleavedStereo, int64_t frames, std::string& error) override;
    std::vector<float> samples;
};

struct RenderReport
{
    int64_t inputFrames = 0;
    int64_t tailFrames = 0;
    float inputPeak = 0.0f;
    float outputPeak = 0.0f;
};

struct RenderJob
{
    double tailSeconds = 30.0;
    // Called after every block with the input frames and tail frames done.
    std::function<void(int64_t inputDone, int64_t tailDone)> progress;
    // Set by a signal handler to stop the render.
    const volatile std::sig_atomic_t* cancel = nullptr;
};

// Renders through a started effect whose sound has been chosen. Mono input
// feeds both effect inputs; the source must have one or two channels.
// Returns false with the reason in `error`; the sink may then hold part of
// the output.
bool renderStream(EffectHost& host, FrameSource& source, FrameSink& sink, const RenderJob& job,
                  RenderReport& report, std::string& error);
