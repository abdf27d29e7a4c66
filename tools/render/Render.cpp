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

// File access in chunks of many host blocks: a host block may be a single
// sample, and one library call per block would cost more than the effect.
constexpr int64_t kChunkFrames = 16384;

class ChunkedSource
{
public:
    ChunkedSource(FrameSource& frames, int64_t blockSize)
        : source(frames), buffer(static_cast<size_t>(std::max(kChunkFrames, blockSize) * frames.channels))
    {
    }

    // Copies up to `frames` interleaved frames; fewer only at the end.
    int64_t read(float* interleaved, int64_t frames)
    {
        const auto channels = static_cast<size_t>(source.channels);
        int64_t done = 0;
        while (done < frames)
        {
            if (position == filled)
            {
                if (ended)
                    break;
                const auto capacity = static_cast<int64_t>(buffer.size() / channels);
                filled = std::max<int64_t>(source.read(buffer.data(), capacity), 0);
                position = 0;
                ended = filled < capacity;
                if (filled == 0)
                    break;
            }
            const int64_t count = std::min(frames - done, filled - position);
            std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(position * source.channels),
                        static_cast<size_t>(count) * channels, interleaved + done * source.channels);
            position += count;
            done += count;
        }
        return done;
    }

private:
    FrameSource& source;
    std::vector<float> buffer;
    int64_t filled = 0;
    int64_t position = 0;
    bool ended = false;
};

class ChunkedSink
{
public:
    explicit ChunkedSink(FrameSink& frames) : sink(frames) { buffer.reserve(kChunkFrames * 2); }

    bool write(const float* interleavedStereo, int64_t frames, std::string& error)
    {
        buffer.insert(buffer.end(), interleavedStereo, interleavedStereo + frames * 2);
        return buffer.size() < kChunkFrames * 2 || flush(error);
    }

    bool flush(std::string& error)
    {
        const auto frames = static_cast<int64_t>(buffer.size() / 2);
        const bool written = frames == 0 || sink.write(buffer.data(), frames, error);
        buffer.clear();
        return written;
    }

private:
    FrameSink& sink;
    std::vector<float> buffer;
};

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
    bool flushTo(int64_t end, ChunkedSink& sink, float& peak, std::string& error)
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
                     tailHoldFrames(loadValue(host.effect().getEngine().control.preDelayTime), rate));
    PendingTail pending;
    ChunkedSource input(source, n);
    ChunkedSink output(sink);
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
            got = input.read(in.data(), n);
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
        if (got > 0 && !output.write(out.data(), got, error))
            return false;
        report.inputFrames += got;

        if (inputEnded)
        {
            const int64_t seen = tail.observe(outL + got, outR + got, n - got);
            pending.append(outL + got, outR + got, seen);
            if (!pending.flushTo(tail.length(), output, report.outputPeak, error))
                return false;
        }
        if (job.progress)
            job.progress(report.inputFrames, tail.framesSeen());
        if (inputEnded && tail.finished())
            break;
    }
    report.tailFrames = tail.length();
    return output.flush(error);
}
