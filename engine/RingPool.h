// Every delay ring the algorithms use, allocated once and cleared together.
// Only one algorithm runs at a time, so the running one owns all of them.
//
// Layout: the pre-delay pair and the tone-ring pair (65536 samples each), four
// long blocks of 65536 samples (one 16-bit ring each, or four consecutive
// 16384-sample rings), then sixty-four rings of 16384 samples. Consecutive
// short rings lie 33 cache lines more than their length apart: rings read
// and written at the same position would otherwise all fall into the same
// few cache sets and evict each other. An odd number of lines puts the 64
// rings' positions in 64 different sets of a 64-set first-level cache, and
// 33 of them spread the rings' recent samples over the sets of the
// second-level cache instead of stacking them in a few dozen.
//
// The short rings' memory holds, instead, up to kSmallRings rings of 2048
// samples, packed the same way, for an algorithm whose taps all lie within
// them: its working set then stays in the processor's caches.
//
// The memory lies in whole 2 MB pages, which Linux backs with huge pages
// where it can: the rings then cost few address translations, and where
// they fall in the caches no longer changes with the physical pages of each
// run.
//
// Threads: allocated on the control thread at construction; read and written
// on the audio thread; cleared by suspend (control thread, no block running)
// and by the engine reset (audio thread).
#pragma once

#include "DspElements.h"

#include <cstddef>
#include <memory>

class RingPool
{
public:
    static constexpr int32_t kLongBlocks = 4;
    static constexpr int32_t kShortRings = 64;
    static constexpr int32_t kShortRingSpacing = kShortRingSize + 16 * 33;
    static constexpr size_t kTotalSamples =
        static_cast<size_t>(4 + kLongBlocks) * kLongRingSize + static_cast<size_t>(kShortRings) * kShortRingSpacing;

    RingPool();

    float* preDelayL() { return long65536(0); }
    float* preDelayR() { return long65536(1); }
    float* toneL() { return long65536(2); }
    float* toneR() { return long65536(3); }

    // block 0..3, a ring of 65536 samples.
    float* longBlock(int32_t block) { return long65536(4 + block); }
    // quarter 0..3 of a long block, a ring of 16384 samples.
    float* longBlockRing(int32_t block, int32_t quarter) { return longBlock(block) + quarter * kShortRingSize; }
    // ring 0..63 of 16384 samples.
    float* shortRing(int32_t ring)
    {
        return samples.get() + static_cast<size_t>(4 + kLongBlocks) * kLongRingSize +
               static_cast<size_t>(ring) * kShortRingSpacing;
    }

    // ring 0..kSmallRings-1 of 2048 samples, in the short rings' memory.
    static constexpr int32_t kSmallRingSpacing = kSmallRingSize + 16;
    static constexpr int32_t kSmallRings = kShortRings * kShortRingSpacing / kSmallRingSpacing;
    float* smallRing(int32_t ring) { return shortRing(0) + static_cast<size_t>(ring) * kSmallRingSpacing; }

    void clear();

private:
    float* long65536(int32_t index) { return samples.get() + static_cast<size_t>(index) * kLongRingSize; }

    struct Release
    {
        void operator()(float* memory) const;
    };
    std::unique_ptr<float[], Release> samples;
};
