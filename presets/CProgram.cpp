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
    std::memcpy(values, kNewProgramValues, sizeof(values));
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
    values[index] = value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
}

float CProgram::getParameter(int32_t index) const
{
    return static_cast<uint32_t>(index) < kNumValues ? values[index] : -1.0f;
}
