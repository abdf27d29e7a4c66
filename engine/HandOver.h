// The two hand-overs between the host's other threads and the audio thread.
//
// Parameters: a control thread (host automation, the editor, a program load,
// a memo recall) stores values into ParameterHandOver and then marks what
// changed, with release order. At the start of each block the audio thread
// takes the mark with acquire order, exchanging it for 0, and copies the
// values it names into the engine's plain fields; the kernels read only
// those. A change that lands after the exchange leaves its mark for the next
// block, so none is lost and none reaches half a block.
//
// Meters: the audio thread publishes its running peaks and its block count at
// the end of each block; the editor reads them and asks for the peaks to be
// cleared, and the audio thread clears them at the start of its next block.
// The editor never writes a field the audio thread writes.
//
// Threads: as above. Nothing here locks or allocates.
#pragma once

#include <atomic>
#include <cstdint>

// What a parameter change touches: one bit per internal value, so that the
// block start copies only what changed and a prepare can tell which of its
// results are stale.
enum EngineChange : uint32_t
{
    kPowerChanged = 1u << 0,
    kTypeChanged = 1u << 1,     // a type fade starts towards pendingType
    kPreDelayChanged = 1u << 2, // the pre-delay read position moves
    kDecayChanged = 1u << 3,
    kHighDampChanged = 1u << 4,
    kDiffusionChanged = 1u << 5,
    kLowFreqChanged = 1u << 6,  // the tone stage's highpass coefficient
    kHighFreqChanged = 1u << 7, // the tone stage's lowpass coefficient
    kLowGainChanged = 1u << 8,  // the tone stage's gains, read per sample
    kHighGainChanged = 1u << 9,
    kMixChanged = 1u << 10,     // the output stage's gains, read per block
    kOutputGainChanged = 1u << 11,
};

// Changes after which the running algorithm's prepare recomputes.
constexpr uint32_t kPrepareChanges = kPowerChanged | kDecayChanged | kHighDampChanged | kDiffusionChanged |
                                     kLowFreqChanged | kHighFreqChanged | kLowGainChanged | kHighGainChanged;

// The internal parameter values as the control side last set them; the
// engine's plain fields of the same names are the audio thread's copies.
struct ParameterHandOver
{
    std::atomic<int32_t> powerOn{0};
    std::atomic<float> pendingType{0.0f};
    std::atomic<float> preDelayTime{0.0f};
    std::atomic<float> decay{0.0f};
    std::atomic<float> highDamp{0.0f};
    std::atomic<float> lowFreqHz{0.0f};
    std::atomic<float> lowGain{0.0f};
    std::atomic<float> highFreqHz{0.0f};
    std::atomic<float> highGain{0.0f};
    std::atomic<float> mix{0.0f};
    std::atomic<float> outputGain{0.0f};
    std::atomic<float> diffusion{0.0f};

    // Control side, after storing the values: `changes` is a set of EngineChange.
    void mark(uint32_t changes) { changed.fetch_or(changes, std::memory_order_release); }
    // Audio thread, at the start of a block: what changed since the last take.
    uint32_t take() { return changed.exchange(0, std::memory_order_acquire); }

private:
    std::atomic<uint32_t> changed{0};
};

// Plain reads and writes of a hand-over value.
template <typename T>
T loadValue(const std::atomic<T>& value)
{
    return value.load(std::memory_order_relaxed);
}
template <typename T>
void storeValue(std::atomic<T>& value, T x)
{
    value.store(x, std::memory_order_relaxed);
}

struct MeterReading
{
    float peakL = 0.0f;
    float peakR = 0.0f;
    // Blocks the engine has processed, counted on (wrapping) since it was
    // last suspended; also the reading's stamp.
    int32_t blockCount = 0;
};

class MeterHandOver
{
public:
    // Audio thread, at the end of each block (suspend too, while no block runs).
    void publish(float peakL, float peakR, int32_t blockCount)
    {
        storeValue(publishedPeakL, peakL);
        storeValue(publishedPeakR, peakR);
        publishedBlocks.store(blockCount, std::memory_order_release);
    }

    // Audio thread, at the start of each block: whether to clear the peaks.
    // A request made from a reading older than the last block is dropped, so
    // a peak the editor has not seen yet survives it (and is read next time).
    bool takeClearRequest(int32_t blockCount)
    {
        const uint64_t request = clearRequest.exchange(0, std::memory_order_acquire);
        return request != 0 && request == stamp(blockCount);
    }

    // Editor thread. The peaks include at least every block up to the count.
    MeterReading read() const
    {
        MeterReading reading;
        reading.blockCount = publishedBlocks.load(std::memory_order_acquire);
        reading.peakL = loadValue(publishedPeakL);
        reading.peakR = loadValue(publishedPeakR);
        return reading;
    }

    // Editor thread: asks for the peaks of `seen` to be cleared.
    void requestClear(const MeterReading& seen) { clearRequest.store(stamp(seen.blockCount), std::memory_order_release); }

private:
    static uint64_t stamp(int32_t blockCount) { return (uint64_t{1} << 32) | static_cast<uint32_t>(blockCount); }

    std::atomic<float> publishedPeakL{0.0f};
    std::atomic<float> publishedPeakR{0.0f};
    std::atomic<int32_t> publishedBlocks{0};
    std::atomic<uint64_t> clearRequest{0};
};
