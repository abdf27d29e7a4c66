#include "RenderTestSupport.h"

#include <sndfile.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>

extern char** environ;

namespace
{
std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
} // namespace

std::vector<std::string> filesIn(const TempDirectory& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.str()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ToolRun runTool(const std::vector<std::string>& args)
{
    static int counter = 0;
    const auto base = std::filesystem::temp_directory_path() /
                      ("corvanta-render-run." + std::to_string(getpid()) + "." + std::to_string(++counter));
    const std::string outPath = base.string() + ".out";
    const std::string errPath = base.string() + ".err";

    std::vector<std::string> argv = {CORVANTA_RENDER_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ToolRun run;
    if (posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

void writeAudio(const std::string& path, const AudioData& audio)
{
    SF_INFO info = {};
    info.format = audio.format;
    info.channels = audio.channels;
    info.samplerate = audio.sampleRate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    sf_writef_float(file, audio.samples.data(), audio.frames());
    sf_close(file);
}

AudioData readAudio(const std::string& path)
{
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    AudioData audio;
    audio.format = info.format;
    audio.channels = info.channels;
    audio.sampleRate = info.samplerate;
    audio.samples.resize(static_cast<size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_float(file, audio.samples.data(), info.frames);
    audio.samples.resize(static_cast<size_t>(got * info.channels));
    sf_close(file);
    return audio;
}

AudioData testSignal(int32_t sampleRate, int32_t channels, int64_t frames, int32_t format)
{
    AudioData audio;
    audio.format = format;
    audio.channels = channels;
    audio.sampleRate = sampleRate;
    audio.samples.resize(static_cast<size_t>(frames * channels));
    for (int64_t i = 0; i < frames; ++i)
        for (int32_t c = 0; c < channels; ++c)
        {
            const double t = static_cast<double>(i % 2000) / sampleRate;
            const double frequency = 330.0 * (c + 1);
            audio.samples[static_cast<size_t>(i * channels + c)] =
                static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * frequency * t) * std::exp(-t * 40.0));
        }
    return audio;
}

std::vector<uint8_t> programRecord(const std::string& name, const float (&values)[16])
{
    std::vector<uint8_t> record(88, 0);
    std::memcpy(record.data(), name.data(), std::min<size_t>(name.size(), 24));
    for (int i = 0; i < 16; ++i)
    {
        uint32_t bits = 0;
        std::memcpy(&bits, &values[i], 4);
        for (int b = 0; b < 4; ++b)
            record[static_cast<size_t>(24 + 4 * i + b)] = static_cast<uint8_t>(bits >> (8 * b));
    }
    return record;
}

std::vector<uint8_t> programFile(char kind, const std::vector<std::vector<uint8_t>>& records)
{
    std::vector<uint8_t> bytes = {'N', 'C', 'R', 'O', static_cast<uint8_t>(kind)};
    for (const auto& record : records)
        bytes.insert(bytes.end(), record.begin(), record.end());
    return bytes;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    const std::string text = slurp(path);
    return {text.begin(), text.end()};
}
