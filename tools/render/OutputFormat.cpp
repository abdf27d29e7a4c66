#include "OutputFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace
{
struct Container
{
    const char* extensions[2];
    int32_t major;
    const char* name;
    const char* samples; // what the sample format is, for the help text
    bool takesFloat;
};

constexpr const char* kInputsSamples = "the input's; 24-bit from a compressed input";

constexpr Container kContainers[] = {
    {{".wav", nullptr}, SF_FORMAT_WAV, "WAV", kInputsSamples, true},
    {{".w64", nullptr}, SF_FORMAT_W64, "Wave64", kInputsSamples, true},
    {{".aif", ".aiff"}, SF_FORMAT_AIFF, "AIFF", kInputsSamples, true},
    {{".caf", nullptr}, SF_FORMAT_CAF, "CAF", kInputsSamples, true},
    {{".flac", nullptr}, SF_FORMAT_FLAC, "FLAC", "the input's 8, 16 or 24-bit; else 24-bit", false},
    {{".ogg", ".oga"}, SF_FORMAT_OGG, "Ogg Vorbis", "Vorbis at quality 0.6 (of 0..1)", false},
};

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const Container* containerFor(const std::string& extension)
{
    const std::string wanted = lowerCase(extension);
    for (const Container& container : kContainers)
        for (const char* known : container.extensions)
            if (known && wanted == known)
                return &container;
    return nullptr;
}

std::string knownExtensions()
{
    std::string list;
    for (const Container& container : kContainers)
        for (const char* known : container.extensions)
            if (known)
            {
                if (!list.empty())
                    list += ' ';
                list += known;
            }
    return list;
}

// The input's sample format first, then the nearest ones a container may
// have instead.
std::vector<int32_t> sampleFormatsNearest(int32_t input)
{
    switch (input)
    {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return {input, SF_FORMAT_FLOAT, SF_FORMAT_PCM_24};
    case SF_FORMAT_PCM_32:
        return {input, SF_FORMAT_PCM_24};
    case SF_FORMAT_PCM_U8:
        return {input, SF_FORMAT_PCM_S8, SF_FORMAT_PCM_16};
    case SF_FORMAT_PCM_S8:
        return {input, SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16};
    default:
        return {input, SF_FORMAT_PCM_24};
    }
}

bool writable(int32_t format, int32_t sampleRate)
{
    SF_INFO info = {};
    info.format = format;
    info.channels = 2;
    info.samplerate = sampleRate;
    return sf_format_check(&info) != 0;
}
} // namespace

bool outputFormatForPath(const std::string& outputPath, const AudioFormat& input, bool floatSamples,
                         int32_t sampleRate, AudioFormat& output, std::string& error)
{
    const std::string extension = std::filesystem::path(outputPath).extension().string();
    const Container* container = containerFor(extension);
    if (!container)
    {
        error = "cannot write " + outputPath + ": the output's extension chooses its format, one of " +
                knownExtensions();
        return false;
    }
    if (floatSamples && !container->takesFloat)
    {
        error = std::string("--float: ") + container->name +
                " has no float samples; write .wav, .w64, .aiff or .caf for float";
        return false;
    }
    std::vector<int32_t> candidates;
    if (container->major == SF_FORMAT_OGG)
        candidates = {SF_FORMAT_VORBIS};
    else if (floatSamples)
        candidates = {SF_FORMAT_FLOAT};
    else
        candidates = sampleFormatsNearest(input.format & SF_FORMAT_SUBMASK);
    for (int32_t sampleFormat : candidates)
        if (writable(container->major | sampleFormat, sampleRate))
        {
            output = input;
            output.format = container->major | sampleFormat;
            output.channels = 2;
            output.sampleRate = sampleRate;
            output.frames = 0;
            return true;
        }
    error = std::string("cannot write ") + container->name + " in stereo at " + std::to_string(sampleRate) + " Hz";
    return false;
}

std::string outputFormatTable()
{
    std::string table;
    for (const Container& container : kContainers)
    {
        std::string extensions = container.extensions[0];
        if (container.extensions[1])
            extensions += std::string(" ") + container.extensions[1];
        char line[160] = {};
        std::snprintf(line, sizeof(line), "  %-11s %-11s %-44s %s\n", extensions.c_str(), container.name,
                      container.samples, container.takesFloat ? "32-bit float" : "refused");
        table += line;
    }
    return table;
}
