// A small VST 2.4 host for tests: loads the built plug-in module the way a
// host does (dlopen, or LoadLibrary on Windows; VSTPluginMain), answers the
// plug-in's host callbacks with configurable values and records every call
// it receives.
#pragma once

#include "vst/VstInterface.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

struct HostCall
{
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
};

class PluginModule
{
public:
    // Loads the module at `path`; the default is the plug-in this build made,
    // or the one the environment variable CORVANTA_TEST_PLUGIN names.
    explicit PluginModule(const std::string& path = defaultPath());
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    static std::string defaultPath();
    bool loaded() const { return handle != nullptr; }
    // The exported entry point of that name, or null.
    using EntryPoint = AEffect* (*)(audioMasterCallback);
    EntryPoint entry(const char* name) const;

private:
    void* handle = nullptr;
};

class TestHost
{
public:
    // Answers the host gives; change them before the call that reads them.
    VstIntPtr versionAnswer = 2400;
    VstIntPtr blockSizeAnswer = 0;
    VstIntPtr sampleRateAnswer = 0;
    // Host answer to the pin-connection query: 0 means connected.
    VstIntPtr pinConnectedAnswer = 0;
    // Host answer to a request for another editor window size: 0 refuses.
    VstIntPtr sizeWindowAnswer = 0;

    TestHost();
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // Creates an instance through VSTPluginMain (or main) with this host's callback.
    AEffect* load(PluginModule& module);
    // Closes the instance (effClose) and answers what the dispatcher
    // answered; the pointer is invalid afterwards.
    VstIntPtr close();

    AEffect* effect() const { return instance; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    void setParameter(VstInt32 index, float value);
    float getParameter(VstInt32 index);
    std::string parameterDisplay(VstInt32 index);
    std::string parameterName(VstInt32 index);
    std::string programName();

    // Sample rate, block size, then resume.
    void start(float sampleRate, VstInt32 blockSize);
    // processReplacing on separate stereo buffers.
    void process(std::vector<float>& inL, std::vector<float>& inR, std::vector<float>& outL,
                 std::vector<float>& outR);

    const std::vector<HostCall>& calls() const { return recorded; }
    std::vector<HostCall> callsWith(VstInt32 opcode) const;
    void clearCalls()
    {
        const std::lock_guard<std::mutex> hold(recording);
        recorded.clear();
    }

    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

private:
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt);

    AEffect* instance = nullptr;
    // The callback may come from any of the effect's callers' threads.
    mutable std::mutex recording;
    std::vector<HostCall> recorded;
};

// A host callback for effects constructed in-process that only needs to
// answer the version query.
VstIntPtr VSTCALLBACK silentHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt);

// A fixture with one instance of the built module loaded through the host.
class LoadedPlugin : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(host.load(module), nullptr); }

    PluginModule module;
    TestHost host;
};
