// Audio file reading and writing through libsndfile. The writer works on a
// temporary file beside the output and renames it only when the render
// succeeded, so a failed or interrupted render leaves no partial file.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>

struct AudioFormat
{
    int32_t format = 0; // libsndfile container and sample format
    int32_t channels = 0;
    int32_t sampleRate = 0;
    int64_t frames = 0;
};

class AudioReader
{
public:
    AudioReader() = default;
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    bool open(const std::string& path, std::string& error);
    const AudioFormat& format() const { return info; }
    // Reads up to `frames` interleaved frames; returns how many were read.
    int64_t read(float* interleaved, int64_t frames);
    // The reason the last read came up short, or empty at a clean end.
    std::string readError() const;
    // A warning when the file holds less audio than its header promises
    // (known at open for the chunked containers, else once the reads ended
    // short of the promised frames); empty otherwise.
    std::string truncation() const;

private:
    SNDFILE* file = nullptr;
    AudioFormat info;
    std::string path;
    std::string cutShort; // what the header promised and the file held
    int64_t framesRead = 0;
    bool ended = false;
};

class AudioWriter
{
public:
    AudioWriter() = default;
    // Removes the temporary file unless commit succeeded.
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    bool open(const std::string& path, const AudioFormat& format, std::string& error);
    bool write(const float* interleaved, int64_t frames, std::string& error);
    // Finishes the file and moves it to its final name.
    bool commit(std::string& error);
    // Samples that did not fit an integer format and were clipped.
    int64_t clippedSamples() const { return clipped; }

private:
    void discard();

    SNDFILE* file = nullptr;
    int descriptor = -1;
    std::string finalPath;
    std::string temporaryPath;
    bool integerSamples = false;
    int64_t clipped = 0;
};

// A new temporary file in the folder of `finalPath` (hidden, named after it),
// so that a final rename stays on one file system; created with the
// permissions a new file would get. Returns its descriptor, or -1 with errno.
int createTemporaryBeside(const std::string& finalPath, std::string& temporaryPath);

// The format of the output for an input format: the same container and
// sample format in stereo, or a 32-bit float WAV.
AudioFormat outputFormatFor(const AudioFormat& input, bool floatWav);
// A 24-bit stereo WAV at a given rate.
AudioFormat pcm24Wav(int32_t sampleRate);
// "WAV 16-bit" and the like.
std::string describeFormat(int32_t format);
// The libsndfile version text.
std::string soundFileLibraryVersion();
