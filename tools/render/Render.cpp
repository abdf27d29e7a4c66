#include "Render.h"

#include "TailTracker.h"

#include <algorithm>
#include <cmath>

namespace
{
float peakOf(const float* samples, size_t count, float peak)
{
    for (size_t i = 0; i < count; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

// Output frames waiting for the tail rule: written once the tail reaches
// past them, dropped when the tail ends before them.
class PendingTail
{
public:
    void append(const float* left, const float* right, int64_t frames)
    {
        for (int64_t i = 0; i < frames; ++i)
        {
            samples.push_back(left[i]);
            samples.push_back(right[i]);
        }
    }

    // Writes the pending frames up to tail frame `end`.
    bool flushTo(int64_t end, FrameSink& sink, float& peak, std::string& error)
    {
        const int64_t count = end - written;
        if (count <= 0)
            return true;
        const auto values = static_cast<size_t>(count) * 2;
        peak = peakOf(samples.data(), values, peak);
        if (!sink.write(samples.data(), count, error))
            return false;
        samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(values));
        written = end;
        return true;
    }

private:
    std::vector<float> samples;
    int64_t written = 0;
};
} // namespace

MemorySource::MemorySource(std::vector<float> interleaved, int32_t channelCount)
    : FrameSource(channelCount), samples(std::move(interleaved))
{
}

int64_t MemorySource::read(float* interleaved, int64_t frames)
{
    const size_t available = (samples.size() - position) / static_cast<size_t>(channels);
    const size_t count = std::min(available, static_cast<size_t>(frames));
    const size_t values = count * static_cast<size_t>(channels);
    std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(position), values, interleaved);
    position += values;
    return static_cast<int64_t>(count);
}

bool MemorySink::write(const float* interleavedStereo, int64_t frames, std::string&)
{
    samples.insert(samples.end(), interleavedStereo, interleavedStereo + frames * 2);
    return true;
}

bool renderStream(EffectHost& host, FrameSource& source, FrameSink& sink, const RenderJob& job,
                  RenderReport& report, std::string& error)
{
    if (source.channels < 1 || source.channels > 2)
    {
        error = "the input has " + std::to_string(source.channels) + " channels; only mono and stereo are taken";
        return false;
    }
    const int32_t n = host.blockSize();
    const auto blockLength = static_cast<size_t>(n);
    const auto channels = static_cast<size_t>(source.channels);
    std::vector<float> in(blockLength * channels);
    std::vector<float> planar(blockLength * 4);
    float* inL = planar.data();
    float* inR = inL + n;
    float* outL = inR + n;
    float* outR = outL + n;
    std::vector<float> out(blockLength * 2);

    const double rate = host.sampleRate();
    TailTracker tail(static_cast<int64_t>(std::llround(job.tailSeconds * rate)),
                     tailHoldFrames(host.effect().getEngine().preDelayTime, rate));
    PendingTail pending;
    report = {};
    host.prime();

    bool inputEnded = false;
    while (true)
    {
        if (job.cancel && *job.cancel)
        {
            error = "interrupted";
            return false;
        }
        int64_t got = 0;
        if (!inputEnded)
        {
            got = source.read(in.data(), n);
            if (got < n)
            {
                inputEnded = true;
                error = source.failure();
                if (!error.empty())
                    return false;
            }
        }
        if (inputEnded && got == 0 && tail.finished())
            break;

        // The timeline goes on in whole host blocks: the input's last block
        // is filled up with the start of the tail.
        const auto frames = static_cast<size_t>(got);
        for (size_t i = 0; i < blockLength; ++i)
        {
            inL[i] = i < frames ? in[i * channels] : 0.0f;
            inR[i] = i < frames ? in[i * channels + channels - 1] : 0.0f;
        }
        report.inputPeak = peakOf(in.data(), frames * channels, report.inputPeak);
        host.process(inL, inR, outL, outR, n);

        for (size_t i = 0; i < frames; ++i)
        {
            out[i * 2] = outL[i];
            out[i * 2 + 1] = outR[i];
        }
        report.outputPeak = peakOf(out.data(), frames * 2, report.outputPeak);
        if (got > 0 && !sink.write(out.data(), got, error))
            return false;
        report.inputFrames += got;

        if (inputEnded)
        {
            const int64_t seen = tail.observe(outL + got, outR + got, n - got);
            pending.append(outL + got, outR + got, seen);
            if (!pending.flushTo(tail.length(), sink, report.outputPeak, error))
                return false;
        }
        if (job.progress)
            job.progress(report.inputFrames, tail.framesSeen());
        if (inputEnded && tail.finished())
            break;
    }
    report.tailFrames = tail.length();
    return true;
}
