// The cost table: ns per stereo host frame of each algorithm at 44.1, 96 and
// 192 kHz, for each kernel path, in five situations (block 256 on signal, the
// decaying tail before the engine sleeps, silence once asleep, block 64 on
// signal, block 64 with the decay automated every block), beside a peer
// plate reverb from Debian's dragonfly-reverb-vst loaded through the test
// host on the same signal. Each figure is the best of three processes: the
// program runs itself three times with --once and keeps the smallest.
#include "Corvanta.h"
#include "TestHost.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <time.h>
#include <vector>

namespace
{
constexpr float kRates[] = {44100.0f, 96000.0f, 192000.0f};
constexpr const char* kTypeNames[] = {"Ambience", "Room", "Chamber", "Club",  "Hall",
                                      "Arena",    "Cathedral", "Spring", "Plate"};
constexpr const char* kSituations[] = {"signal256", "tail256", "silence256", "signal64", "automated64"};
constexpr const char* kPeerModule = "/usr/lib/lxvst/DragonflyPlateReverb-vst.so";

VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// One second of white noise per channel at the rate, the right channel
// independent of the left.
struct Signal
{
    std::vector<float> left;
    std::vector<float> right;

    explicit Signal(int32_t frames) : left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames))
    {
        uint32_t seed = 1u;
        for (int32_t i = 0; i < frames; ++i)
        {
            seed = seed * 1664525u + 1013904223u;
            left[static_cast<size_t>(i)] = static_cast<float>(seed >> 8) * (0.5f / 16777216.0f) - 0.25f;
            seed = seed * 1664525u + 1013904223u;
            right[static_cast<size_t>(i)] = static_cast<float>(seed >> 8) * (0.5f / 16777216.0f) - 0.25f;
        }
    }
};

// Processor time of this thread: on a machine shared with other work the
// time the thread waits for a core is not the plug-in's cost.
double threadNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Feeds `frames` frames in blocks of `block` through `process(inL, inR, n)`,
// from the signal or silence, and answers ns per frame.
template <typename Process>
double run(Process&& process, const Signal& signal, bool silent, int32_t frames, int32_t block)
{
    static std::vector<float> zeros(65536, 0.0f);
    const auto total = static_cast<int32_t>(signal.left.size());
    const double start = threadNanoseconds();
    int32_t at = 0;
    for (int32_t done = 0; done < frames; done += block)
    {
        if (at + block > total)
            at = 0;
        const float* inL = silent ? zeros.data() : signal.left.data() + at;
        const float* inR = silent ? zeros.data() : signal.right.data() + at;
        process(inL, inR, block);
        at += block;
    }
    return (threadNanoseconds() - start) / frames;
}

// The five situations of one type, rate and path, in kSituations order.
std::vector<double> measureOurs(int32_t type, float rate, KernelPath path, const Signal& signal)
{
    Corvanta effect(quietHost);
    effect.getEngine().kernelPath = path;
    effect.setSampleRate(rate);
    effect.setBlockSize(256);
    effect.resume();
    effect.setParameter(kType, typeNormalizedValue(type));
    std::vector<float> outL(65536), outR(65536);
    auto process = [&](const float* inL, const float* inR, int32_t n) {
        float* inputs[2] = {const_cast<float*>(inL), const_cast<float*>(inR)};
        float* outputs[2] = {outL.data(), outR.data()};
        effect.processReplacing(inputs, outputs, n);
    };
    const auto second = static_cast<int32_t>(rate);
    std::vector<double> ns;
    run(process, signal, false, second, 256); // past the type fade
    ns.push_back(run(process, signal, false, second / 2, 256));
    ns.push_back(run(process, signal, true, second / 2, 256)); // the tail, still awake
    // Silence until the engine sleeps (its output has stayed below the
    // activity level for its hold time), at most a minute.
    const ReverbEngine& engine = effect.getEngine();
    for (int32_t waited = 0; engine.activityCount > 0 && waited < 60 * second; waited += 256)
        run(process, signal, true, 256, 256);
    ns.push_back(run(process, signal, true, second / 2, 256));
    run(process, signal, false, second / 4, 64);
    ns.push_back(run(process, signal, false, second / 2, 64));
    bool high = false;
    auto automated = [&](const float* inL, const float* inR, int32_t n) {
        high = !high;
        effect.setParameter(kDecay, high ? 0.6f : 0.5f);
        process(inL, inR, n);
    };
    ns.push_back(run(automated, signal, false, second / 2, 64));
    return ns;
}

// The peer at block 256 on the same signal; 0 when its module is missing.
double measurePeer(float rate, const Signal& signal)
{
    PluginModule module(kPeerModule);
    if (!module.loaded())
        return 0.0;
    TestHost host;
    if (!host.load(module))
        return 0.0;
    host.dispatch(effOpen);
    host.start(rate, 256);
    std::vector<float> inL(256), inR(256), outL(256), outR(256);
    auto process = [&](const float* left, const float* right, int32_t n) {
        std::copy_n(left, n, inL.begin());
        std::copy_n(right, n, inR.begin());
        host.process(inL, inR, outL, outR);
    };
    const auto second = static_cast<int32_t>(rate);
    run(process, signal, false, second, 256);
    const double ns = run(process, signal, false, second / 2, 256);
    host.close();
    return ns;
}

std::string key(int32_t type, float rate, KernelPath path, int32_t situation)
{
    char text[96];
    std::snprintf(text, sizeof text, "%d/%d/%s/%s", type, static_cast<int32_t>(rate), kernelPathName(path),
                  kSituations[situation]);
    return text;
}

std::string peerKey(float rate)
{
    char text[32];
    std::snprintf(text, sizeof text, "peer/%d", static_cast<int32_t>(rate));
    return text;
}

// One process: every figure as "key ns" lines; `only` limits it to one type
// (for a profiler), -1 measures all.
void measureOnce(int32_t only)
{
    for (const float rate : kRates)
    {
        const Signal signal(static_cast<int32_t>(rate));
        std::printf("%s %.3f\n", peerKey(rate).c_str(), measurePeer(rate, signal));
        for (int32_t type = 0; type < 9; ++type)
            for (const KernelPath path : kAllKernelPaths)
            {
                if (!kernelPathSupported(path) || (only >= 0 && type != only))
                    continue;
                const std::vector<double> ns = measureOurs(type, rate, path, signal);
                for (size_t s = 0; s < ns.size(); ++s)
                    std::printf("%s %.3f\n", key(type, rate, path, static_cast<int32_t>(s)).c_str(), ns[s]);
            }
        std::fflush(stdout);
    }
}

double bestOf(const std::map<std::string, double>& best, const std::string& k)
{
    const auto found = best.find(k);
    return found == best.end() ? 0.0 : found->second;
}

void printTable(const std::map<std::string, double>& best)
{
    for (const float rate : kRates)
    {
        const double peer = bestOf(best, peerKey(rate));
        std::printf("\n%.1f kHz, ns per stereo host frame (best of 3); peer plate at block 256: %.1f\n",
                    rate / 1000.0f, peer);
        std::printf("%-10s %-8s %9s %9s %9s %9s %9s %8s %6s\n", "type", "path", "sig256", "tail256", "sil256",
                    "sig64", "auto64", "auto/64", "xpeer");
        std::map<KernelPath, double> logSum;
        for (int32_t type = 0; type < 9; ++type)
            for (const KernelPath path : kAllKernelPaths)
            {
                if (!kernelPathSupported(path))
                    continue;
                double ns[5];
                for (int32_t s = 0; s < 5; ++s)
                    ns[s] = bestOf(best, key(type, rate, path, s));
                logSum[path] += std::log(ns[0]);
                std::printf("%-10s %-8s %9.1f %9.1f %9.1f %9.1f %9.1f %8.2f %6.2f\n", kTypeNames[type],
                            kernelPathName(path), ns[0], ns[1], ns[2], ns[3], ns[4], ns[4] / ns[3],
                            peer > 0.0 ? ns[0] / peer : 0.0);
            }
        for (const auto& [path, sum] : logSum)
        {
            const double mean = std::exp(sum / 9.0);
            std::printf("geometric mean at block 256, %s: %.1f ns (%.2f x peer)\n", kernelPathName(path), mean,
                        peer > 0.0 ? mean / peer : 0.0);
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    // --once [TYPE]: one measuring process, all types or one.
    if (argc > 1 && std::string(argv[1]) == "--once")
    {
        measureOnce(argc > 2 ? std::atoi(argv[2]) : -1);
        return 0;
    }
    std::map<std::string, double> best;
    for (int32_t round = 0; round < 3; ++round)
    {
        char command[4096];
        std::snprintf(command, sizeof command, "\"%s\" --once", argv[0]);
        FILE* child = popen(command, "r");
        if (!child)
            return 1;
        char name[128];
        double ns = 0.0;
        while (std::fscanf(child, "%127s %lf", name, &ns) == 2)
        {
            const auto found = best.find(name);
            if (found == best.end() || (ns > 0.0 && ns < found->second))
                best[name] = ns;
        }
        if (pclose(child) != 0)
            return 1;
        std::fprintf(stderr, "round %d done\n", round + 1);
    }
    printTable(best);
    return 0;
}
