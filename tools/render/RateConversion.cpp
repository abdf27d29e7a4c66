#include "RateConversion.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

namespace
{
// Frames read from a source per conversion step.
constexpr int64_t kSourceChunk = 8192;
// Frames the sink holds back until the end, so the output can be cut to
// its exact length there.
constexpr int64_t kSinkHoldBack = 4096;
} // namespace

RateConverter::RateConverter(double fromRate, double toRate, int32_t channelCount)
    : ratio(toRate / fromRate), channels(channelCount)
{
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t failure = nullptr;
    resampler = soxr_create(fromRate, toRate, static_cast<unsigned>(channels), &failure, &io, &quality, nullptr);
    if (failure)
    {
        createError = failure;
        resampler = nullptr;
    }
}

RateConverter::~RateConverter()
{
    if (resampler)
        soxr_delete(resampler);
}

bool RateConverter::convert(const float* in, int64_t frames, std::vector<float>& out, std::string& error)
{
    if (!resampler)
    {
        error = "cannot convert the sample rate: " + createError;
        return false;
    }
    const auto width = static_cast<size_t>(channels);
    const auto room = static_cast<size_t>(std::ceil(static_cast<double>(std::max<int64_t>(frames, 0)) * ratio)) + 1024;
    size_t inputLeft = in ? static_cast<size_t>(frames) : 0;
    while (true)
    {
        const size_t start = out.size();
        out.resize(start + room * width);
        size_t used = 0;
        size_t made = 0;
        const soxr_error_t failure = soxr_process(resampler, in, inputLeft, &used, out.data() + start, room, &made);
        out.resize(start + made * width);
        if (failure)
        {
            error = std::string("cannot convert the sample rate: ") + failure;
            return false;
        }
        if (in)
        {
            in += used * width;
            inputLeft -= used;
            if (inputLeft == 0)
                return true;
        }
        else if (made == 0)
            return true;
    }
}

ResampledSource::ResampledSource(FrameSource& frames, double fromRate, double toRate)
    : FrameSource(frames.channels), source(frames), converter(fromRate, toRate, frames.channels),
      input(static_cast<size_t>(kSourceChunk * frames.channels))
{
}

int64_t ResampledSource::read(float* interleaved, int64_t frames)
{
    const auto width = static_cast<size_t>(channels);
    int64_t done = 0;
    while (done < frames)
    {
        if (position == converted.size())
        {
            if (ended)
                break;
            converted.clear();
            position = 0;
            const int64_t got = std::max<int64_t>(source.read(input.data(), kSourceChunk), 0);
            taken += got;
            bool converting = converter.convert(input.data(), got, converted, error);
            if (got < kSourceChunk)
            {
                ended = true;
                const std::string sourceError = source.failure();
                if (!sourceError.empty())
                    error = sourceError;
                converting = converting && sourceError.empty() && converter.convert(nullptr, 0, converted, error);
            }
            if (!converting)
            {
                ended = true;
                converted.clear();
                break;
            }
            continue;
        }
        const size_t count = std::min((converted.size() - position) / width, static_cast<size_t>(frames - done));
        std::copy_n(converted.begin() + static_cast<std::ptrdiff_t>(position), count * width,
                    interleaved + static_cast<size_t>(done) * width);
        position += count * width;
        done += static_cast<int64_t>(count);
    }
    return done;
}

ResampledSink::ResampledSink(FrameSink& frames, double fromRate, double toRate)
    : sink(frames), converter(fromRate, toRate, 2)
{
}

bool ResampledSink::pass(int64_t keepBack, int64_t limit, std::string& error)
{
    const auto available = static_cast<int64_t>(converted.size() / 2);
    const int64_t count = std::min(available - keepBack, limit - written);
    if (count <= 0)
        return true;
    if (!sink.write(converted.data(), count, error))
        return false;
    written += count;
    converted.erase(converted.begin(), converted.begin() + static_cast<std::ptrdiff_t>(count * 2));
    return true;
}

bool ResampledSink::write(const float* interleavedStereo, int64_t frames, std::string& error)
{
    return converter.convert(interleavedStereo, frames, converted, error) &&
           pass(kSinkHoldBack, INT64_MAX, error);
}

bool ResampledSink::finish(int64_t totalFrames, std::string& error)
{
    if (!converter.convert(nullptr, 0, converted, error) || !pass(0, totalFrames, error))
        return false;
    const int64_t missing = totalFrames - written;
    if (missing <= 0)
        return true;
    const std::vector<float> silence(static_cast<size_t>(missing) * 2, 0.0f);
    written = totalFrames;
    return sink.write(silence.data(), missing, error);
}
