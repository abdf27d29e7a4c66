#include "TestHost.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace
{
// The host whose callback runs; the version query comes before the effect
// exists, so the callback cannot find its host through the effect. Threads
// of one test may call the effect at once.
std::atomic<TestHost*> activeHost{nullptr};
} // namespace

#if defined(_WIN32)
PluginModule::PluginModule(const std::string& path)
{
    // As a Windows host does; the loader wants backslashes.
    std::string windowsPath = path;
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    handle = LoadLibraryA(windowsPath.c_str());
}

PluginModule::~PluginModule()
{
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
}

PluginModule::EntryPoint PluginModule::entry(const char* name) const
{
    if (!handle)
        return nullptr;
    // GetProcAddress returns a generic function pointer; go through void*
    // to give it the entry point's type.
    FARPROC address = GetProcAddress(static_cast<HMODULE>(handle), name);
    return reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(address));
}
#else
PluginModule::PluginModule(const std::string& path)
{
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

PluginModule::~PluginModule()
{
    if (handle)
        dlclose(handle);
}

PluginModule::EntryPoint PluginModule::entry(const char* name) const
{
    return handle ? reinterpret_cast<EntryPoint>(dlsym(handle, name)) : nullptr;
}
#endif

std::string PluginModule::defaultPath()
{
    // CORVANTA_TEST_PLUGIN points the tests at another copy of the module,
    // such as the one unpacked from the Debian package (scripts/check-package).
    if (const char* other = std::getenv("CORVANTA_TEST_PLUGIN"); other && *other)
        return other;
    return CORVANTA_PLUGIN_PATH;
}

TestHost::TestHost()
{
    activeHost = this;
}

TestHost::~TestHost()
{
    close();
    TestHost* self = this;
    activeHost.compare_exchange_strong(self, nullptr);
}

AEffect* TestHost::load(PluginModule& module)
{
    activeHost = this;
    // As hosts do: modules built for older hosts export only "main".
    PluginModule::EntryPoint entryPoint = module.entry("VSTPluginMain");
    if (!entryPoint)
        entryPoint = module.entry("main");
    instance = entryPoint ? entryPoint(callback) : nullptr;
    return instance;
}

VstIntPtr TestHost::close()
{
    VstIntPtr result = 0;
    if (instance)
        result = instance->dispatcher(instance, effClose, 0, 0, nullptr, 0.0f);
    instance = nullptr;
    return result;
}

VstIntPtr TestHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    activeHost = this;
    return instance->dispatcher(instance, opcode, index, value, ptr, opt);
}

void TestHost::setParameter(VstInt32 index, float value)
{
    activeHost = this;
    instance->setParameter(instance, index, value);
}

float TestHost::getParameter(VstInt32 index)
{
    return instance->getParameter(instance, index);
}

std::string TestHost::parameterDisplay(VstInt32 index)
{
    char text[256] = {};
    dispatch(effGetParamDisplay, index, 0, text);
    return text;
}

std::string TestHost::parameterName(VstInt32 index)
{
    char text[256] = {};
    dispatch(effGetParamName, index, 0, text);
    return text;
}

std::string TestHost::programName()
{
    char text[256] = {};
    dispatch(effGetProgramName, 0, 0, text);
    return text;
}

void TestHost::start(float sampleRate, VstInt32 blockSize)
{
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
}

void TestHost::process(std::vector<float>& inL, std::vector<float>& inR, std::vector<float>& outL,
                       std::vector<float>& outR)
{
    activeHost = this;
    outL.resize(inL.size());
    outR.resize(inL.size());
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    instance->processReplacing(instance, inputs, outputs, static_cast<VstInt32>(inL.size()));
}

std::vector<HostCall> TestHost::callsWith(VstInt32 opcode) const
{
    const std::lock_guard<std::mutex> hold(recording);
    std::vector<HostCall> matching;
    for (const HostCall& call : recorded)
        if (call.opcode == opcode)
            matching.push_back(call);
    return matching;
}

VstIntPtr TestHost::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt)
{
    {
        const std::lock_guard<std::mutex> hold(recording);
        recorded.push_back({opcode, index, value, opt});
    }
    switch (opcode)
    {
    case audioMasterVersion:
        return versionAnswer;
    case audioMasterGetBlockSize:
        return blockSizeAnswer;
    case audioMasterGetSampleRate:
        return sampleRateAnswer;
    case audioMasterPinConnected:
        return pinConnectedAnswer;
    case audioMasterSizeWindow:
        return sizeWindowAnswer;
    default:
        return 0;
    }
}

VstIntPtr VSTCALLBACK TestHost::callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*,
                                         float opt)
{
    TestHost* host = activeHost.load();
    return host ? host->answer(opcode, index, value, opt) : 0;
}

VstIntPtr VSTCALLBACK silentHostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}
