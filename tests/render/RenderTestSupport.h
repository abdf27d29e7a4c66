// Helpers for the renderer's tests: the files of a folder, running the built
// corvanta-render, writing and reading audio files, and building preset and
// bank file images byte by byte.
#pragma once

#include "TempDirectory.h"

#include <cstdint>
#include <string>
#include <vector>

// Names of the files in a test's folder, sorted.
std::vector<std::string> filesIn(const TempDirectory& folder);

struct ToolRun
{
    int status = -1; // exit status, or -1 when the tool did not exit normally
    std::string out;
    std::string err;
};

// Runs the built corvanta-render with `args`.
ToolRun runTool(const std::vector<std::string>& args);

struct AudioData
{
    int32_t format = 0;
    int32_t channels = 0;
    int32_t sampleRate = 0;
    std::vector<float> samples; // interleaved
    int64_t frames() const { return channels ? static_cast<int64_t>(samples.size()) / channels : 0; }
};

void writeAudio(const std::string& path, const AudioData& audio);
AudioData readAudio(const std::string& path);

// A test signal: decaying tone bursts, different in each channel.
AudioData testSignal(int32_t sampleRate, int32_t channels, int64_t frames, int32_t format);

// A program record: name (at most 24 characters) and 16 values.
std::vector<uint8_t> programRecord(const std::string& name, const float (&values)[16]);
// "NCRO" and the kind byte, then the records.
std::vector<uint8_t> programFile(char kind, const std::vector<std::vector<uint8_t>>& records);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readBytes(const std::string& path);
