#include "CProgram.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr float kNewProgramValues[CProgram::kNumValues] = {1.0f, 0.01f, 0.0f, 0.5f, 0.1f, 0.5f, 0.5f, 0.5f,
                                                           0.5f, 0.5f,  0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
}

CProgram::CProgram()
{
    setName("init");
    for (int32_t i = 0; i < kNumValues; ++i)
        values[i].store(kNewProgramValues[i], std::memory_order_relaxed);
}

CProgram::CProgram(const CProgram& other)
{
    *this = other;
}

CProgram& CProgram::operator=(const CProgram& other)
{
    std::memcpy(nameBytes, other.nameBytes, sizeof(nameBytes));
    for (int32_t i = 0; i < kNumValues; ++i)
        values[i].store(other.getParameter(i), std::memory_order_relaxed);
    return *this;
}

void CProgram::setName(const char* text)
{
    std::memset(nameBytes, 0, sizeof(nameBytes));
    if (text)
        std::memcpy(nameBytes, text, strnlen(text, kMaxNameLength));
}

void CProgram::getName(char* text) const
{
    if (text)
        std::memcpy(text, nameBytes, strnlen(nameBytes, kMaxNameLength) + 1);
}

void CProgram::setParameter(int32_t index, float value)
{
    if (static_cast<uint32_t>(index) >= kNumValues)
        return;
    // NaN is kept out of the store (the old value stays), so that files and
    // memos written from it never carry one.
    if (std::isnan(value))
        return;
    values[index].store(value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value, std::memory_order_relaxed);
}

float CProgram::getParameter(int32_t index) const
{
    return static_cast<uint32_t>(index) < kNumValues ? values[index].load(std::memory_order_relaxed) : -1.0f;
}
