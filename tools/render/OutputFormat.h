// The output file's container and sample format, chosen by its extension.
// One table says which containers the renderer writes, which sample format
// each gets and whether it takes --float; the help text is made from it.
//
// Threads: any; the functions keep no state.
#pragma once

#include "AudioFiles.h"

#include <string>

// Vorbis quality on libsndfile's scale 0..1 (about 160 kbit/s for stereo).
constexpr double kVorbisQuality = 0.6;

// The format for `outputPath` given the input's format (its sample format is
// kept where the container has it, else the nearest the container has),
// in stereo at `sampleRate`. Returns false with a message for an extension
// the renderer does not write, or --float in a container without float samples.
bool outputFormatForPath(const std::string& outputPath, const AudioFormat& input, bool floatSamples,
                         int32_t sampleRate, AudioFormat& output, std::string& error);

// The table of containers for --help: extension, container, sample format, --float.
std::string outputFormatTable();
