#include "AudioFiles.h"

#include "OutputFormat.h"

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace
{
bool isIntegerSubtype(int32_t format)
{
    switch (format & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
        return false;
    default:
        return true;
    }
}
} // namespace

int createTemporaryBeside(const std::string& finalPath, std::string& temporaryPath)
{
    const std::filesystem::path path(finalPath);
    std::filesystem::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    std::string hidden = ".";
    hidden += path.filename().string();
    hidden += ".XXXXXX";
    std::string pattern = (folder / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return -1;
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    temporaryPath = name.data();
    return fd;
}

namespace
{
// libsndfile reads a file whose audio chunk runs past its end as far as it
// goes and notes the difference in its log, as "data : 20000 (should be
// 11956)" (WAV) or "SSND : ..." (AIFF). Returns "N bytes, the file holds M".
std::string audioChunkCutShort(SNDFILE* file)
{
    std::vector<char> log(16384, 0);
    sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size() - 1));
    const std::string text(log.data());
    for (size_t start = 0; start < text.size();)
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        long long promised = 0;
        long long held = 0;
        char chunk[8] = {};
        if (std::sscanf(line.c_str(), " %7s : %lld (should be %lld)", chunk, &promised, &held) == 3 &&
            (std::strcmp(chunk, "data") == 0 || std::strcmp(chunk, "SSND") == 0) && held < promised)
            return std::to_string(promised) + " bytes of audio, the file holds " + std::to_string(held);
    }
    return "";
}
} // namespace

AudioReader::~AudioReader()
{
    if (file)
        sf_close(file);
}

bool AudioReader::open(const std::string& path, std::string& error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
    {
        error = path + " is a folder, not an audio file";
        return false;
    }
    SF_INFO sfInfo = {};
    file = sf_open(path.c_str(), SFM_READ, &sfInfo);
    if (!file)
    {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    if (sfInfo.channels < 1 || sfInfo.samplerate < 1)
    {
        error = "cannot read " + path + ": no audio in it";
        return false;
    }
    info.format = sfInfo.format;
    info.channels = sfInfo.channels;
    info.sampleRate = sfInfo.samplerate;
    info.frames = sfInfo.frames;
    this->path = path;
    cutShort = audioChunkCutShort(file);
    return true;
}

int64_t AudioReader::read(float* interleaved, int64_t frames)
{
    const int64_t got = file ? sf_readf_float(file, interleaved, frames) : 0;
    framesRead += std::max<int64_t>(got, 0);
    ended = ended || got < frames;
    return got;
}

std::string AudioReader::readError() const
{
    if (!file || sf_error(file) == SF_ERR_NO_ERROR)
        return "";
    std::string error = "cannot read " + path + " after " + std::to_string(framesRead) + " of its " +
                        std::to_string(info.frames) + " frames: " + sf_strerror(file);
    if (framesRead < info.frames)
        error += " (is the file truncated?)";
    return error;
}

std::string AudioReader::truncation() const
{
    if (!cutShort.empty())
        return path + " is truncated: its header promises " + cutShort;
    // A length the header does not give reads as the largest count.
    if (ended && framesRead < info.frames && info.frames != SF_COUNT_MAX)
        return path + " is truncated: its header promises " + std::to_string(info.frames) + " frames, the file holds " +
               std::to_string(framesRead);
    return "";
}

AudioWriter::~AudioWriter()
{
    discard();
}

void AudioWriter::discard()
{
    if (file)
        sf_close(file);
    file = nullptr;
    if (descriptor >= 0)
        close(descriptor);
    descriptor = -1;
    if (!temporaryPath.empty())
        std::remove(temporaryPath.c_str());
    temporaryPath.clear();
}

bool AudioWriter::open(const std::string& path, const AudioFormat& format, std::string& error)
{
    SF_INFO sfInfo = {};
    sfInfo.format = format.format;
    sfInfo.channels = format.channels;
    sfInfo.samplerate = format.sampleRate;
    if (!sf_format_check(&sfInfo))
    {
        error = "cannot write " + describeFormat(format.format) + " with " + std::to_string(format.channels) +
                " channels at " + std::to_string(format.sampleRate) + " Hz; try --float";
        return false;
    }
    descriptor = createTemporaryBeside(path, temporaryPath);
    if (descriptor < 0)
    {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    file = sf_open_fd(descriptor, SFM_WRITE, &sfInfo, SF_FALSE);
    if (!file)
    {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        discard();
        return false;
    }
    finalPath = path;
    if ((format.format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS)
    {
        double quality = kVorbisQuality;
        sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
    }
    integerSamples = isIntegerSubtype(format.format);
    if (integerSamples)
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool AudioWriter::write(const float* interleaved, int64_t frames, std::string& error)
{
    if (integerSamples)
        for (int64_t i = 0; i < frames * 2; ++i)
            if (!(std::fabs(interleaved[i]) <= 1.0f))
                ++clipped;
    if (sf_writef_float(file, interleaved, frames) != frames)
    {
        error = "cannot write " + finalPath + ": " + sf_strerror(file);
        return false;
    }
    return true;
}

bool AudioWriter::commit(std::string& error)
{
    const int closed = sf_close(file);
    file = nullptr;
    // Reach the disk before the rename, so the name never points at less.
    int systemError = fsync(descriptor) == 0 ? 0 : errno;
    if (close(descriptor) != 0 && systemError == 0)
        systemError = errno;
    descriptor = -1;
    if (closed == 0 && systemError != 0)
    {
        error = "cannot write " + finalPath + ": " + std::strerror(systemError);
        discard();
        return false;
    }
    if (closed != 0)
    {
        error = "cannot write " + finalPath + ": " + sf_error_number(closed);
        discard();
        return false;
    }
    if (std::rename(temporaryPath.c_str(), finalPath.c_str()) != 0)
    {
        error = "cannot write " + finalPath + ": " + std::strerror(errno);
        discard();
        return false;
    }
    temporaryPath.clear();
    return true;
}

AudioFormat outputFormatFor(const AudioFormat& input, bool floatWav)
{
    AudioFormat output = input;
    output.channels = 2;
    if (floatWav)
        output.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    return output;
}

AudioFormat pcm24Wav(int32_t sampleRate)
{
    AudioFormat format;
    format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    format.channels = 2;
    format.sampleRate = sampleRate;
    return format;
}

std::string describeFormat(int32_t format)
{
    SF_FORMAT_INFO major = {};
    major.format = format & SF_FORMAT_TYPEMASK;
    SF_FORMAT_INFO sub = {};
    sub.format = format & SF_FORMAT_SUBMASK;
    const bool knownMajor = sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof(major)) == 0;
    const bool knownSub = sf_command(nullptr, SFC_GET_FORMAT_INFO, &sub, sizeof(sub)) == 0;
    std::string text = knownMajor ? major.name : "unknown container";
    if (knownSub)
        text += std::string(", ") + sub.name;
    return text;
}

std::string soundFileLibraryVersion()
{
    return sf_version_string();
}
