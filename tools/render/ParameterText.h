// Parameter values written the way their display texts show them ("70%",
// "120ms", "200Hz", "1.5kHz", "-3dB", "Hall", "On"), turned into the
// normalised values the effect takes. The conversions are the inverses of the
// parameter model's mappings, with the value ranges the editor's fields allow.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The parameter named `name` (case-insensitive): 0..10 or 17 (Diffusion); -1
// when there is none.
int32_t findParameter(std::string_view name);

// The accepted values of a parameter, for help and messages ("0..1000 ms").
std::string valueSyntax(int32_t index);

// Reads `text` as a value of parameter `index` and sets `normalized`. On a
// malformed or out-of-range value returns false with the reason in `error`.
bool parseDisplayValue(int32_t index, std::string_view text, float& normalized, std::string& error);

// Reads a normalised value 0..1 (for --set-raw).
bool parseNormalizedValue(std::string_view text, float& normalized, std::string& error);

// Case-insensitive equality of two ASCII texts.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// A decimal number without unit ("12", "-3.5", "2,5"); false unless the whole
// text is a finite number.
bool parseNumber(std::string_view text, double& value);
