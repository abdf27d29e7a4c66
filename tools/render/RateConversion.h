// Sample-rate conversion for inputs at rates the engine does not run at and
// for --rate: libsoxr's streaming resampler at its very high quality, around
// the render job as a source (input to the host rate) and a sink (output
// back to the input's rate).
//
// Threads: one thread, the render's.
#pragma once

#include "Render.h"

#include <cstdint>
#include <string>
#include <vector>

struct soxr;

class RateConverter
{
public:
    RateConverter(double fromRate, double toRate, int32_t channels);
    ~RateConverter();
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    // Converts `frames` interleaved frames and appends the result to `out`;
    // with `in` null, appends what the filter still holds (the end).
    bool convert(const float* in, int64_t frames, std::vector<float>& out, std::string& error);

private:
    soxr* resampler = nullptr;
    std::string createError;
    double ratio;
    int32_t channels;
};

class ResampledSource : public FrameSource
{
public:
    ResampledSource(FrameSource& source, double fromRate, double toRate);
    int64_t read(float* interleaved, int64_t frames) override;
    std::string failure() const override { return error; }
    // Frames taken from the source so far.
    int64_t sourceFrames() const { return taken; }

private:
    FrameSource& source;
    RateConverter converter;
    std::vector<float> input;
    std::vector<float> converted;
    size_t position = 0; // values of `converted` already handed out
    int64_t taken = 0;
    bool ended = false;
    std::string error;
};

class ResampledSink : public FrameSink
{
public:
    ResampledSink(FrameSink& sink, double fromRate, double toRate);
    bool write(const float* interleavedStereo, int64_t frames, std::string& error) override;
    // Flushes the converter and ends the output at exactly `totalFrames`
    // frames: the converter's last frames cut, or silence added.
    bool finish(int64_t totalFrames, std::string& error);

private:
    bool pass(int64_t keepBack, int64_t limit, std::string& error);

    FrameSink& sink;
    RateConverter converter;
    std::vector<float> converted; // stereo frames not yet written
    int64_t written = 0;
};
