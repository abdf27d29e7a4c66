#include "RingPool.h"

#include <algorithm>

void RingPool::clear()
{
    std::fill(samples.begin(), samples.end(), 0.0f);
}
