// The LV2 plug-in as a host on liblilv sees it, against the VST 2.4 module
// loaded through the test host: the same sound sample for sample, and the
// factory presets, the meters, the messages and the state.
#include "FactoryBank.h"
#include "Lv2TestHost.h"
#include "Lv2Bundle.h"
#include "Lv2Messages.h"
#include "PresetFileFormat.h"
#include "TestHost.h"

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace
{
constexpr float kRate = 48000.0f;
constexpr int kNominalBlock = 512;
// Odd and even sizes, one above the nominal length and one tiny.
constexpr int kBlocks[] = {512, 1000, 7, 4096, 333, 2048};

// A noise burst, then silence for the tail: the same floats for both hosts.
void fillInput(std::vector<float>& left, std::vector<float>& right, int offset)
{
    uint32_t seed = 12345u + static_cast<uint32_t>(offset);
    for (size_t i = 0; i < left.size(); ++i)
    {
        const bool burst = offset + static_cast<int>(i) < 3000;
        seed = seed * 1664525u + 1013904223u;
        left[i] = burst ? static_cast<float>(static_cast<int32_t>(seed) >> 8) * 5.0e-8f : 0.0f;
        right[i] = burst ? static_cast<float>(static_cast<int32_t>(seed << 7) >> 8) * 5.0e-8f : 0.0f;
    }
}

class Lv2Plugin : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(world.plugin(), nullptr) << "no plug-in in the bundle"; }
    Lv2TestWorld world;
};

TEST_F(Lv2Plugin, EveryTypeSoundsAsTheVstModuleSampleForSample)
{
    for (int32_t type = 0; type < 9; ++type)
    {
        SCOPED_TRACE("type " + std::to_string(type));
        PluginModule module;
        TestHost vst;
        ASSERT_NE(vst.load(module), nullptr);
        vst.start(kRate, kNominalBlock);
        Lv2TestInstance lv2(world, kRate, kNominalBlock);
        ASSERT_TRUE(lv2.valid());
        // Fresh instances agree before anything is set.
        for (int32_t i = 0; i < static_cast<int32_t>(lv2bundle::kNumControlPorts); ++i)
            ASSERT_EQ(lv2.controls[i], vst.getParameter(i)) << "port " << i;

        const std::pair<int32_t, float> settings[] = {
            {kType, typeNormalizedValue(type)}, {kDecay, 0.73f}, {kHighDamp, 0.4f}, {kPreDelay, 0.2f},
            {kLowGain, 0.35f},                  {kMix, 0.8f},    {kOutput, 0.45f},
        };
        for (const auto& [index, value] : settings)
        {
            vst.setParameter(index, value);
            lv2.controls[index] = value;
        }
        int offset = 0;
        for (size_t b = 0; b < std::size(kBlocks); ++b)
        {
            if (b == 3)
            {
                // A change between blocks takes the same path in both.
                vst.setParameter(kHighFreq, 0.3f);
                lv2.controls[kHighFreq] = 0.3f;
            }
            const auto n = static_cast<size_t>(kBlocks[b]);
            std::vector<float> inL(n), inR(n), vstL, vstR, lv2L, lv2R;
            fillInput(inL, inR, offset);
            vst.process(inL, inR, vstL, vstR);
            lv2.run(inL, inR, lv2L, lv2R);
            ASSERT_EQ(vstL, lv2L) << "left, block " << b;
            ASSERT_EQ(vstR, lv2R) << "right, block " << b;
            offset += kBlocks[b];
        }
        // The reverb is heard, so the comparison compared sound.
        std::vector<float> inL(256, 0.0f), inR(256, 0.0f), outL, outR;
        lv2.run(inL, inR, outL, outR);
        EXPECT_NE(outL[255], 0.0f);
    }
}

struct PortValues
{
    const LilvPlugin* plugin;
    std::vector<float>* controls;
};

void setPortValue(const char* symbol, void* data, const void* value, uint32_t size, uint32_t)
{
    auto* target = static_cast<PortValues*>(data);
    for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
        if (size == sizeof(float) && std::string(symbol) == parameterInfo(static_cast<int32_t>(i)).symbol)
            (*target->controls)[i] = *static_cast<const float*>(value);
}

void setPortValueOf(const char* symbol, void* data, const void* value, uint32_t size, uint32_t)
{
    auto* instance = static_cast<Lv2TestInstance*>(data);
    for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
        if (size == sizeof(float) && std::string(symbol) == parameterInfo(static_cast<int32_t>(i)).symbol)
            instance->controls[i] = *static_cast<const float*>(value);
}

TEST_F(Lv2Plugin, PresetsCarryTheFactoryProgramsAndLeaveTheGlobalsAlone)
{
    LilvNode* presetClass = world.uri(LV2_PRESETS__Preset);
    LilvNode* label = world.uri("http://www.w3.org/2000/01/rdf-schema#label");
    LilvNodes* presets = lilv_plugin_get_related(world.plugin(), presetClass);
    EXPECT_EQ(lilv_nodes_size(presets), static_cast<unsigned>(kNumStoredPrograms - 1));
    LILV_FOREACH (nodes, i, presets)
    {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        const std::string uri = lilv_node_as_uri(preset);
        SCOPED_TRACE(uri);
        ASSERT_EQ(uri.rfind(lv2bundle::kPresetUriPrefix, 0), 0u);
        const int n = std::stoi(uri.substr(std::string(lv2bundle::kPresetUriPrefix).size()));
        ASSERT_TRUE(n >= 1 && n < kNumStoredPrograms);
        lilv_world_load_resource(world.get(), preset);
        LilvNode* name = lilv_world_get(world.get(), preset, label, nullptr);
        ASSERT_NE(name, nullptr);
        EXPECT_STREQ(lilv_node_as_string(name), kFactoryBank[n].name);
        lilv_node_free(name);

        std::vector<float> controls(lv2bundle::kNumControlPorts, 0.25f);
        LilvState* state = lilv_state_new_from_world(world.get(), world.map(), preset);
        ASSERT_NE(state, nullptr);
        PortValues target{world.plugin(), &controls};
        lilv_state_restore(state, nullptr, setPortValue, &target, 0, nullptr);
        lilv_state_free(state);
        for (int32_t index = 0; index < static_cast<int32_t>(lv2bundle::kNumControlPorts); ++index)
            EXPECT_EQ(controls[index], lv2bundle::isGlobalParameter(index)
                                           ? 0.25f
                                           : static_cast<float>(kFactoryBank[n].values[index]))
                << parameterInfo(index).name;
    }
    lilv_nodes_free(presets);
    lilv_node_free(label);
    lilv_node_free(presetClass);
}

TEST_F(Lv2Plugin, ALoudBlockRaisesTheMeterPorts)
{
    Lv2TestInstance lv2(world, kRate, kNominalBlock);
    ASSERT_TRUE(lv2.valid());
    std::vector<float> inL(512, 0.0f), inR(512, 0.0f), outL, outR;
    lv2.run(inL, inR, outL, outR);
    EXPECT_LT(lv2.controls[lv2bundle::kMeterLeft], 1e-6f); // the engine's tiny noise at most
    inL.assign(512, 0.9f);
    inR.assign(512, -0.9f);
    lv2.run(inL, inR, outL, outR);
    EXPECT_GT(lv2.controls[lv2bundle::kMeterLeft], 0.3f);
    EXPECT_GT(lv2.controls[lv2bundle::kMeterRight], 0.3f);
}

// Forges messages into a buffer of its own and reads the plug-in's reports.
struct Messages
{
    explicit Messages(LV2_URID_Map* map) { urids.mapAll(map); }
    bool start()
    {
        lv2_atom_forge_set_buffer(&urids.forge, reinterpret_cast<uint8_t*>(buffer), sizeof buffer);
        return true;
    }
    const LV2_Atom* atom() const { return reinterpret_cast<const LV2_Atom*>(buffer); }
    // The last report of the current program in `atoms`, if any.
    bool current(const std::vector<const LV2_Atom*>& atoms, lv2bundle::ProgramMessage& program) const
    {
        bool found = false;
        for (const LV2_Atom* atom : atoms)
            if (urids.kindOf(atom) == lv2bundle::Message::current)
                found = urids.readProgram(urids.fieldsOf(atom), program);
        return found;
    }
    // The text of the last refusal in `atoms`, empty without one.
    std::string refusal(const std::vector<const LV2_Atom*>& atoms) const
    {
        char text[128] = {};
        for (const LV2_Atom* atom : atoms)
            if (urids.kindOf(atom) == lv2bundle::Message::refused)
                urids.readText(urids.fieldsOf(atom).text, text, sizeof text);
        return text;
    }
    bool sendPath(Lv2TestInstance& instance, lv2bundle::Message kind, const std::string& path)
    {
        if (!start() || !urids.writeText(kind, urids.path, path.c_str(), true))
            return false;
        instance.send(atom());
        return true;
    }
    lv2bundle::MessageUrids urids;
    uint64_t buffer[64] = {};
};

const void* portValue(const char* symbol, void* data, uint32_t* size, uint32_t* type)
{
    auto* instance = static_cast<std::pair<Lv2TestWorld*, Lv2TestInstance*>*>(data);
    for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
        if (std::string(symbol) == parameterInfo(static_cast<int32_t>(i)).symbol)
        {
            *size = sizeof(float);
            *type = instance->first->map()->map(instance->first->map()->handle, LV2_ATOM__Float);
            return &instance->second->controls[i];
        }
    return nullptr;
}

LilvState* stateOf(Lv2TestWorld& world, Lv2TestInstance& instance)
{
    std::pair<Lv2TestWorld*, Lv2TestInstance*> data{&world, &instance};
    return lilv_state_new_from_instance(world.plugin(), instance.get(), world.map(), nullptr, nullptr, nullptr,
                                        nullptr, portValue, &data, 0, nullptr);
}

TEST_F(Lv2Plugin, AStoredProgramIsSelectedReportedAndKeptInTheState)
{
    Lv2TestInstance first(world, kRate, kNominalBlock);
    ASSERT_TRUE(first.valid());
    Messages messages(world.map());
    std::vector<float> inL(64, 0.0f), inR(64, 0.0f), outL, outR;
    lv2bundle::ProgramMessage renamed;
    renamed.index = 5;
    std::strcpy(renamed.name, "Renamed Room");
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        renamed.values[i] = static_cast<float>(kFactoryBank[5].values[i]);
    renamed.values[kDecay] = 0.125f;
    ASSERT_TRUE(messages.start() && messages.urids.writeProgram(lv2bundle::Message::storeProgram, renamed));
    first.send(messages.atom());
    ASSERT_TRUE(messages.start() && messages.urids.writeInt(lv2bundle::Message::select, messages.urids.index, 5));
    first.send(messages.atom());
    first.run(inL, inR, outL, outR);
    first.run(inL, inR, outL, outR);
    lv2bundle::ProgramMessage reported;
    ASSERT_TRUE(messages.current(first.notifications(), reported));
    EXPECT_EQ(reported.index, 5);
    EXPECT_STREQ(reported.name, "Renamed Room");
    EXPECT_EQ(reported.values[kDecay], 0.125f);

    // The host's ports follow the program, as a UI would set them.
    first.controls[kDecay] = reported.values[kDecay];
    LilvState* saved = stateOf(world, first);
    ASSERT_NE(saved, nullptr);
    Lv2TestInstance second(world, kRate, kNominalBlock);
    LilvState* fresh = stateOf(world, second);
    EXPECT_FALSE(lilv_state_equals(saved, fresh));
    lilv_state_restore(saved, second.get(), setPortValueOf, &second, 0, nullptr);
    LilvState* restored = stateOf(world, second);
    EXPECT_TRUE(lilv_state_equals(saved, restored));
    ASSERT_TRUE(messages.start() && messages.urids.writeText(lv2bundle::Message::report, 0, ""));
    second.send(messages.atom());
    second.run(inL, inR, outL, outR);
    second.run(inL, inR, outL, outR);
    ASSERT_TRUE(messages.current(second.notifications(), reported));
    EXPECT_EQ(reported.index, 5);
    EXPECT_STREQ(reported.name, "Renamed Room");
    EXPECT_EQ(reported.values[kDecay], 0.125f);
    for (LilvState* state : {saved, fresh, restored})
        lilv_state_free(state);
}

// Two short blocks: the worker takes the messages sent after the first,
// its report goes out with the second.
void runRequestAndResponse(Lv2TestInstance& instance)
{
    std::vector<float> inL(64, 0.0f), inR(64, 0.0f), outL, outR;
    instance.run(inL, inR, outL, outR);
    instance.run(inL, inR, outL, outR);
}

template <size_t N> std::string writtenFile(const char* name, const std::array<uint8_t, N>& bytes)
{
    const std::string path = (std::filesystem::path(::testing::TempDir()) / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), N);
    return path;
}

TEST_F(Lv2Plugin, ALoadedBankIsKeptInTheState)
{
    ProgramBank bank;
    for (int n = 0; n < kNumStoredPrograms; ++n)
    {
        std::snprintf(bank[n].name, sizeof bank[n].name, "Bank %d", n);
        for (int32_t i = 0; i < CProgram::kNumValues; ++i)
            bank[n].values[i] = static_cast<float>(kFactoryBank[n].values[i]);
    }
    bank[7].values[kDecay] = 0.25f;
    const std::string path = writtenFile("lv2-loaded.orb", writeBankFile(bank));

    Lv2TestInstance first(world, kRate, kNominalBlock);
    ASSERT_TRUE(first.valid());
    Messages messages(world.map());
    ASSERT_TRUE(messages.sendPath(first, lv2bundle::Message::loadBank, path));
    runRequestAndResponse(first);
    lv2bundle::ProgramMessage reported;
    ASSERT_TRUE(messages.current(first.notifications(), reported));
    EXPECT_EQ(reported.index, 0);
    EXPECT_STREQ(reported.name, "Bank 0");

    // A fresh instance restored from the state selects the bank's program.
    LilvState* saved = stateOf(world, first);
    ASSERT_NE(saved, nullptr);
    Lv2TestInstance second(world, kRate, kNominalBlock);
    lilv_state_restore(saved, second.get(), setPortValueOf, &second, 0, nullptr);
    lilv_state_free(saved);
    ASSERT_TRUE(messages.start() && messages.urids.writeInt(lv2bundle::Message::select, messages.urids.index, 7));
    second.send(messages.atom());
    runRequestAndResponse(second);
    ASSERT_TRUE(messages.current(second.notifications(), reported));
    EXPECT_EQ(reported.index, 7);
    EXPECT_STREQ(reported.name, "Bank 7");
    EXPECT_EQ(reported.values[kDecay], 0.25f);
    std::filesystem::remove(path);
}

TEST_F(Lv2Plugin, APresetFileLoadsThroughTheWorkerAndIsRefusedWithoutOne)
{
    ProgramRecord record;
    std::strcpy(record.name, "From A File");
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        record.values[i] = static_cast<float>(kFactoryBank[3].values[i]);
    record.values[kHighDamp] = 0.625f;
    const std::string path = writtenFile("lv2-loaded.orv", writePresetFile(record));
    Messages messages(world.map());

    Lv2TestInstance withWorker(world, kRate, kNominalBlock);
    ASSERT_TRUE(withWorker.valid());
    ASSERT_TRUE(messages.sendPath(withWorker, lv2bundle::Message::loadPreset, path));
    runRequestAndResponse(withWorker);
    lv2bundle::ProgramMessage reported;
    ASSERT_TRUE(messages.current(withWorker.notifications(), reported));
    EXPECT_STREQ(reported.name, "From A File");
    EXPECT_EQ(reported.values[kHighDamp], 0.625f);
    EXPECT_EQ(messages.refusal(withWorker.notifications()), "");
    // A file that is not there is refused with a reason.
    ASSERT_TRUE(messages.sendPath(withWorker, lv2bundle::Message::loadPreset, path + ".gone"));
    runRequestAndResponse(withWorker);
    EXPECT_NE(messages.refusal(withWorker.notifications()), "");

    Lv2TestInstance noWorker(world, kRate, kNominalBlock, false);
    ASSERT_TRUE(noWorker.valid());
    ASSERT_TRUE(messages.sendPath(noWorker, lv2bundle::Message::loadPreset, path));
    std::vector<float> inL(64, 0.0f), inR(64, 0.0f), outL, outR;
    noWorker.run(inL, inR, outL, outR); // refused at once
    EXPECT_EQ(messages.refusal(noWorker.notifications()), "The host runs no worker for this request");
    EXPECT_FALSE(messages.current(noWorker.notifications(), reported));
    std::filesystem::remove(path);
}

// What a state save kept of one program: its file record, if stored.
struct SavedProgram
{
    LV2_URID key = 0;
    bool found = false;
    ProgramRecord record;
};

LV2_State_Status keepProgram(LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t,
                             uint32_t)
{
    auto* saved = static_cast<SavedProgram*>(handle);
    if (key == saved->key)
        saved->found = readPresetFile(static_cast<const uint8_t*>(value), size, saved->record) == FileCheck::ok;
    return LV2_STATE_SUCCESS;
}

LV2_Worker_Status ignoreResponse(LV2_Worker_Respond_Handle, uint32_t, const void*)
{
    return LV2_WORKER_SUCCESS;
}

TEST_F(Lv2Plugin, AStateSavedWhileTheWorkerStoresProgramsHoldsWholePrograms)
{
    Lv2TestInstance lv2(world, kRate, kNominalBlock);
    ASSERT_TRUE(lv2.valid());
    const auto* worker = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(lv2.get(), LV2_WORKER__interface));
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(lv2.get(), LV2_STATE__interface));
    ASSERT_TRUE(worker && state);
    // Two versions of program 9 whose name goes with its Decay.
    Messages takes[2] = {Messages(world.map()), Messages(world.map())};
    for (int t = 0; t < 2; ++t)
    {
        lv2bundle::ProgramMessage program;
        program.index = 9;
        std::strcpy(program.name, t == 0 ? "Even Take" : "Odd Take");
        for (int32_t i = 0; i < CProgram::kNumValues; ++i)
            program.values[i] = t == 0 ? 0.125f : 0.875f;
        ASSERT_TRUE(takes[t].start() && takes[t].urids.writeProgram(lv2bundle::Message::storeProgram, program));
    }
    LV2_Handle handle = lilv_instance_get_handle(lv2.get());
    // The worker stores until the saves are done, so the two overlap.
    std::atomic<bool> saving{true};
    std::thread storing([&] {
        for (int k = 0; saving; ++k)
        {
            const LV2_Atom* atom = takes[k & 1].atom();
            worker->work(handle, ignoreResponse, nullptr, sizeof(LV2_Atom) + atom->size, atom);
        }
    });
    int torn = 0, seen = 0;
    for (int k = 0; k < 1000; ++k)
    {
        SavedProgram saved;
        saved.key = takes[0].urids.program[9];
        state->save(handle, keepProgram, &saved, 0, nullptr);
        if (!saved.found)
            continue;
        ++seen;
        const float expected = std::strcmp(saved.record.name, "Even Take") == 0 ? 0.125f : 0.875f;
        for (float value : saved.record.values)
            torn += value != expected;
    }
    saving = false;
    storing.join();
    EXPECT_GT(seen, 0);
    EXPECT_EQ(torn, 0);
}
} // namespace
