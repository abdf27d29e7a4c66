// Choosing the sound before rendering: a bank or preset file, a program of
// the bank, then single parameters, in that order.
#pragma once

#include "EffectHost.h"
#include "RenderOptions.h"

#include <cstdint>
#include <string>
#include <string_view>

// The program of the effect's store named `nameOrNumber` (any case), or with
// that number 0..52; -1 when there is none.
int32_t findProgram(Corvanta& effect, std::string_view nameOrNumber);

// Applies --bank, --preset, --program and the --set/--set-raw values to a
// started effect. On failure returns false with the reason in `error`.
bool chooseSound(EffectHost& host, const RenderOptions& options, std::string& error);
