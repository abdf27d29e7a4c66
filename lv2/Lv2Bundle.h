// What the LV2 plug-in, its UI, the Turtle generator and the tests agree on:
// the URIs and the port layout. Control port i is host parameter i (0..10),
// normalised 0..1 as a VST 2.4 host sees it; the audio ports follow, then
// the two peak meters and the optional pair of atom ports for what a
// control port cannot carry (Lv2Messages.h).
#pragma once

#include "Parameters.h"

#include <cstdint>

namespace lv2bundle
{
constexpr const char* kPluginUri = "https://corvanta.audio/lv2/corvanta";
constexpr const char* kUiUri = "https://corvanta.audio/lv2/corvanta#ui";
// Preset n (1..52, the program's place in the bank) is kPresetUriPrefix + n.
constexpr const char* kPresetUriPrefix = "https://corvanta.audio/lv2/corvanta/preset/";

constexpr const char* kPluginBinary = "corvanta.so";
constexpr const char* kUiBinary = "corvanta_ui.so";

constexpr uint32_t kNumControlPorts = static_cast<uint32_t>(kOutput) + 1;
constexpr uint32_t kAudioInLeft = kNumControlPorts;
constexpr uint32_t kAudioInRight = kAudioInLeft + 1;
constexpr uint32_t kAudioOutLeft = kAudioInLeft + 2;
constexpr uint32_t kAudioOutRight = kAudioInLeft + 3;
constexpr uint32_t kMeterLeft = kAudioInLeft + 4;
constexpr uint32_t kMeterRight = kAudioInLeft + 5;
constexpr uint32_t kControlIn = kAudioInLeft + 6; // atom sequence, messages in
constexpr uint32_t kNotifyOut = kAudioInLeft + 7; // atom sequence, reports out
constexpr uint32_t kNumPorts = kAudioInLeft + 8;

// Global parameters a program change never moves, so presets leave them out.
constexpr bool isGlobalParameter(int32_t index)
{
    return index == kPower || index == kMix || index == kOutput;
}
} // namespace lv2bundle
