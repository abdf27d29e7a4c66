#include "RingPool.h"

#include <algorithm>
#include <new>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace
{
constexpr size_t kPageBytes = size_t{2} << 20;
constexpr size_t kPoolBytes = (RingPool::kTotalSamples * sizeof(float) + kPageBytes - 1) / kPageBytes * kPageBytes;
} // namespace

RingPool::RingPool()
    : samples(static_cast<float*>(::operator new[](kPoolBytes, std::align_val_t{kPageBytes})))
{
#if defined(__linux__)
    // Only a hint: without huge pages the pool works the same.
    madvise(samples.get(), kPoolBytes, MADV_HUGEPAGE);
#endif
    clear();
}

void RingPool::Release::operator()(float* memory) const
{
    ::operator delete[](memory, std::align_val_t{kPageBytes});
}

void RingPool::clear()
{
    std::fill_n(samples.get(), kTotalSamples, 0.0f);
}
