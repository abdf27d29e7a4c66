#include "ReverbEngine.h"

namespace
{
constexpr int32_t kTypeFadeLength = 20000;
}

void ReverbEngine::updatePreDelay()
{
    // Single precision as the positions have always been computed; the
    // distance stays constant afterwards because both positions advance together.
    const float position = static_cast<float>(inputPos) - preDelayTime * static_cast<float>(internalRate) + 65536.0f;
    preDelayPos = static_cast<uint16_t>(static_cast<int32_t>(position) & 0xFFFF);
}

void ReverbEngine::startTypeFade()
{
    typeFadeCount = kTypeFadeLength;
}
