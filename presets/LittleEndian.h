// Single-precision values as the files and memo slots carry them: IEEE 754
// bits, least significant byte first, whatever the machine's own order.
#pragma once

#include <cstdint>
#include <cstring>

inline void putFloatLE(float value, uint8_t* bytes)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
}

inline float getFloatLE(const uint8_t* bytes)
{
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | bytes[i];
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}
