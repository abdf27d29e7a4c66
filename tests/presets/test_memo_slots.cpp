// Memo slots A and B: through the loaded plug-in where the host sees the
// effect, and on an in-process effect for the store's corner cases, each
// test in a store of its own (on Windows the real registry, redirected).
#include "CMemoSlots.h"
#include "Corvanta.h"
#include "LittleEndian.h"
#include "MemoSandbox.h"
#include "TestHost.h"

#if defined(_WIN32)
#include "Registry.h"
#else
#include <fstream>
#include <iterator>
#endif

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{
CPresetSystemEffect* presetEffect(AEffect* effect)
{
    return static_cast<CPresetSystemEffect*>(static_cast<AudioEffect*>(effect->object));
}

std::string programName(CPresetSystemEffect& effect)
{
    char name[64] = {};
    effect.getProgramName(name);
    return name;
}

#if defined(_WIN32)
HKEY openSlot(HKEY root, MemoSlot slot, REGSAM access = KEY_READ)
{
    HKEY key = nullptr;
    RegOpenKeyExA(root, MemoStore::keyPath(slot).c_str(), 0, access, &key);
    return key;
}

HKEY createSlot(HKEY root, MemoSlot slot)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, MemoStore::keyPath(slot).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    return key;
}

void putParam(HKEY key, int32_t index, float value)
{
    char name[MemoStore::kValueNameCapacity];
    MemoStore::valueName(index, name);
    BYTE bytes[4];
    putFloatLE(value, bytes);
    RegSetValueExA(key, name, 0, REG_BINARY, bytes, 4);
}

// What the machine-wide key holds: 16 REG_BINARY values of 4 bytes and the name.
void expectSlotHolds(MemoSlot slot, const float (&values)[kNumHostParameters], const std::string& name)
{
    HKEY key = openSlot(HKEY_LOCAL_MACHINE, slot);
    ASSERT_NE(key, nullptr);
    for (int32_t i = 0; i < kNumHostParameters; ++i)
    {
        char valueName[MemoStore::kValueNameCapacity];
        MemoStore::valueName(i, valueName);
        BYTE bytes[8] = {};
        DWORD size = sizeof(bytes);
        DWORD type = 0;
        ASSERT_EQ(RegQueryValueExA(key, valueName, nullptr, &type, bytes, &size), ERROR_SUCCESS) << valueName;
        EXPECT_EQ(type, REG_BINARY);
        EXPECT_EQ(size, 4u);
        EXPECT_EQ(getFloatLE(bytes), values[i]) << valueName;
    }
    char text[64] = {};
    DWORD size = sizeof(text);
    EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), 0);
    EXPECT_EQ(text, name);
    EXPECT_EQ(size, name.size() + 1);
    RegCloseKey(key);
}

// A registry whose machine-wide root refuses writes while `refuseMachineRoot`
// is set, as for an ordinary user on Windows.
bool refuseMachineRoot = true;
bool refuseUserRootToo = false;
LSTATUS refusingCreate(HKEY root, LPCSTR path, DWORD reserved, LPSTR type, DWORD options, REGSAM access,
                       LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    if ((root == HKEY_LOCAL_MACHINE && refuseMachineRoot) || refuseUserRootToo)
        return ERROR_ACCESS_DENIED;
    return RegCreateKeyExA(root, path, reserved, type, options, access, security, result, disposition);
}
const RegistryCalls kRefusingRegistry{&refusingCreate,   &RegOpenKeyExA, &RegSetValueExA,
                                      &RegQueryValueExA, &RegCloseKey,   &RegDeleteKeyA};
#else
// What the slot file holds: the 93 bytes of a preset file.
void expectSlotHolds(MemoSlot slot, const float (&values)[kNumHostParameters], const std::string& name)
{
    std::ifstream in(MemoStore::slotPath(slot), std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), 93u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "NCRO!");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 5), strnlen(reinterpret_cast<const char*>(bytes.data() + 5), 24)), name);
    for (int32_t i = 0; i < kNumHostParameters; ++i)
        EXPECT_EQ(getFloatLE(bytes.data() + 29 + 4 * i), values[i]) << i;
}
#endif
} // namespace

TEST(MemoSlots, WhereTheSlotsLive)
{
    char name[MemoStore::kValueNameCapacity];
    MemoStore::valueName(0, name);
    EXPECT_STREQ(name, "param  0");
    MemoStore::valueName(15, name);
    EXPECT_STREQ(name, "param 15");
#if defined(_WIN32)
    EXPECT_EQ(MemoStore::keyPath(MemoSlot::A), "SOFTWARE\\ORV-soundlab\\ORVcv15\\MemoA");
    EXPECT_EQ(MemoStore::keyPath(MemoSlot::B), "SOFTWARE\\ORV-soundlab\\ORVcv15\\MemoB");
#else
    MemoSandbox memos;
    EXPECT_EQ(MemoStore::slotPath(MemoSlot::A), memos.configHome() + "/corvanta/memo-a.orv");
    EXPECT_EQ(MemoStore::slotPath(MemoSlot::B), memos.configHome() + "/corvanta/memo-b.orv");
#endif
}

TEST(MemoSlots, StoreChangeRecallAsTheHostSeesIt)
{
    MemoSandbox memos;
    ASSERT_TRUE(memos.isActive());
    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    CPresetSystemEffect* effect = presetEffect(host.effect());

    // A never-stored slot changes nothing and tells the host nothing.
    float before[kNumHostParameters];
    for (int32_t i = 0; i < kNumHostParameters; ++i)
        before[i] = host.getParameter(i);
    host.clearCalls();
    EXPECT_EQ(effect->recallMemoA(), memo_status::kNotFound);
    EXPECT_TRUE(host.calls().empty());
    for (int32_t i = 0; i < kNumHostParameters; ++i)
        EXPECT_EQ(host.getParameter(i), before[i]);
    EXPECT_EQ(host.programName(), "Current");

    host.setParameter(kType, 0.47f); // Hall, kept as its quantised value
    host.setParameter(kDecay, 0.8f);
    host.setParameter(kPreDelay, 0.25f);
    char name[] = "Parked settings";
    host.dispatch(effSetProgramName, 0, 0, name);
    float stored[kNumHostParameters];
    for (int32_t i = 0; i < kNumHostParameters; ++i)
        stored[i] = host.getParameter(i);
    EXPECT_EQ(effect->storeMemoA(), memo_status::kOk);

    // What the slot holds: 16 little-endian floats as the model keeps them, and the name.
    expectSlotHolds(MemoSlot::A, stored, "Parked settings");
    EXPECT_EQ(stored[kType], typeNormalizedValue(4));
    EXPECT_NEAR(stored[kType], 0.4544444f, 1e-7f);

    host.setParameter(kDecay, 0.2f);
    host.setParameter(kType, 0.9f);
    char other[] = "Something else";
    host.dispatch(effSetProgramName, 0, 0, other);
    host.clearCalls();
    EXPECT_EQ(effect->recallMemoA(), memo_status::kOk);

    const auto automation = host.callsWith(audioMasterAutomate);
    ASSERT_EQ(automation.size(), 16u);
    for (int32_t i = 0; i < kNumHostParameters; ++i)
    {
        EXPECT_EQ(automation[static_cast<size_t>(i)].index, i);
        EXPECT_EQ(automation[static_cast<size_t>(i)].opt, stored[i]);
        EXPECT_EQ(host.getParameter(i), stored[i]) << i;
    }
    EXPECT_EQ(host.parameterDisplay(kType), "Hall");
    EXPECT_EQ(host.programName(), "Parked settings");
    EXPECT_FALSE(host.callsWith(audioMasterUpdateDisplay).empty());
    // The recall edited the current program (the edit buffer) in the store.
    EXPECT_EQ(effect->getStoredProgram(0)->getParameter(kDecay), 0.8f);
}

TEST(MemoSlots, TwoInstancesSeeEachOthersMemos)
{
    MemoSandbox memos;
    ASSERT_TRUE(memos.isActive());
    PluginModule module;
    TestHost firstHost;
    ASSERT_NE(firstHost.load(module), nullptr);
    TestHost secondHost;
    ASSERT_NE(secondHost.load(module), nullptr);

    firstHost.setParameter(kDecay, 0.65f);
    firstHost.setParameter(kHighGain, 0.125f);
    presetEffect(firstHost.effect())->selectProgram(29); // "Dark Reflections", Arena
    firstHost.setParameter(kHighDamp, 0.4f);
    EXPECT_EQ(presetEffect(firstHost.effect())->storeMemoB(), memo_status::kOk);

    EXPECT_EQ(presetEffect(secondHost.effect())->recallMemoB(), memo_status::kOk);
    for (int32_t i = 0; i < kNumHostParameters; ++i)
        EXPECT_EQ(secondHost.getParameter(i), firstHost.getParameter(i)) << i;
    EXPECT_EQ(secondHost.programName(), "Dark Reflections");
    EXPECT_EQ(secondHost.parameterDisplay(kType), "Arena");
    EXPECT_EQ(presetEffect(secondHost.effect())->recallMemoA(), memo_status::kNotFound);
}

TEST(MemoSlots, RecallTellsTheHostWhatTheEffectKept)
{
    MemoSandbox memos;
    ASSERT_TRUE(memos.isActive());
    TestHost host;
    Corvanta effect(TestHost::callback);
    effect.setParameter(kDecay, 0.3f);

    // A slot edited by hand: Decay NaN (the effect ignores it), HighDamp 7
    // (the effect clamps it to 1).
    MemoContents planted;
    for (int32_t i = 0; i < kNumHostParameters; ++i)
    {
        planted.values[i] = 0.25f;
        planted.hasValue[i] = true;
    }
    planted.values[kDecay] = std::nanf("");
    planted.values[kHighDamp] = 7.0f;
    planted.name = "Hand made";
    planted.hasName = true;
    ASSERT_EQ(MemoStore().write(MemoSlot::B, planted), memo_status::kOk);

    host.clearCalls();
    EXPECT_EQ(effect.recallMemoB(), memo_status::kOk);
    EXPECT_EQ(effect.getParameter(kDecay), 0.3f);
    EXPECT_EQ(effect.getParameter(kHighDamp), 1.0f);
    const auto automation = host.callsWith(audioMasterAutomate);
    ASSERT_EQ(automation.size(), 15u);
    for (const HostCall& call : automation)
    {
        EXPECT_NE(call.index, kDecay);
        EXPECT_EQ(call.opt, effect.getParameter(call.index)) << call.index;
    }
    EXPECT_EQ(programName(effect), "Hand made");
}

#if defined(_WIN32)
TEST(MemoSlots, RecallSkipsMissingOrMisSizedValuesAndCutsLongNames)
{
    MemoSandbox memos;
    ASSERT_TRUE(memos.isActive());
    TestHost host;
    Corvanta effect(TestHost::callback);

    HKEY key = createSlot(HKEY_LOCAL_MACHINE, MemoSlot::A);
    for (int32_t i = 0; i < kNumHostParameters; ++i)
        if (i != kDecay)
            putParam(key, i, 0.25f);
    const BYTE eight[8] = {0, 0, 0x80, 0x3F, 0, 0, 0, 0};
    RegSetValueExA(key, "param  4", 0, REG_BINARY, eight, 8); // HighDamp: too long
    RegSetValueExA(key, "param  5", 0, REG_BINARY, eight, 2); // LowFreq: too short
    const std::string longName(100, 'x');
    RegSetValueExA(key, "name", 0, REG_SZ, reinterpret_cast<const BYTE*>(longName.data()), 100); // no terminator
    RegCloseKey(key);

    const float keptDecay = effect.getParameter(kDecay);
    const float keptDamp = effect.getParameter(kHighDamp);
    const float keptLowFreq = effect.getParameter(kLowFreq);
    host.clearCalls();
    EXPECT_EQ(effect.recallMemoA(), memo_status::kOk);
    EXPECT_EQ(effect.getParameter(kDecay), keptDecay);
    EXPECT_EQ(effect.getParameter(kHighDamp), keptDamp);
    EXPECT_EQ(effect.getParameter(kLowFreq), keptLowFreq);
    EXPECT_EQ(effect.getParameter(kMix), 0.25f);
    EXPECT_EQ(host.callsWith(audioMasterAutomate).size(), 13u);
    EXPECT_EQ(programName(effect), std::string(24, 'x'));

    // A slot without a name keeps the program's name.
    key = createSlot(HKEY_LOCAL_MACHINE, MemoSlot::B);
    putParam(key, kDecay, 0.75f);
    RegCloseKey(key);
    EXPECT_EQ(effect.recallMemoB(), memo_status::kOk);
    EXPECT_EQ(effect.getParameter(kDecay), 0.75f);
    EXPECT_EQ(programName(effect), std::string(24, 'x'));
}

TEST(MemoSlots, UserKeyTakesOverWhenTheMachineKeyIsRefusedUntilTheNextMachineStore)
{
    MemoSandbox memos;
    ASSERT_TRUE(memos.isActive());
    TestHost host;
    Corvanta effect(TestHost::callback);
    const CMemoSlots slots{MemoStore(kRefusingRegistry)};
    refuseMachineRoot = true;

    effect.setParameter(kDecay, 0.3f);
    refuseUserRootToo = true;
    EXPECT_EQ(slots.store(effect, MemoSlot::A), ERROR_ACCESS_DENIED);
    refuseUserRootToo = false;
    EXPECT_EQ(openSlot(HKEY_CURRENT_USER, MemoSlot::A), nullptr) << "nothing written";

    EXPECT_EQ(slots.store(effect, MemoSlot::A), ERROR_SUCCESS);
    EXPECT_EQ(openSlot(HKEY_LOCAL_MACHINE, MemoSlot::A), nullptr);
    HKEY user = openSlot(HKEY_CURRENT_USER, MemoSlot::A);
    ASSERT_NE(user, nullptr);
    RegCloseKey(user);
    effect.setParameter(kDecay, 0.6f);
    EXPECT_EQ(slots.recall(effect, MemoSlot::A), ERROR_SUCCESS);
    EXPECT_EQ(effect.getParameter(kDecay), 0.3f);

    // Once the machine's key can be written again, the next store goes there
    // and the user's older copy no longer hides it.
    refuseMachineRoot = false;
    effect.setParameter(kDecay, 0.9f);
    EXPECT_EQ(slots.store(effect, MemoSlot::A), ERROR_SUCCESS);
    EXPECT_EQ(openSlot(HKEY_CURRENT_USER, MemoSlot::A), nullptr);
    effect.setParameter(kDecay, 0.1f);
    EXPECT_EQ(slots.recall(effect, MemoSlot::A), ERROR_SUCCESS);
    EXPECT_EQ(effect.getParameter(kDecay), 0.9f);
    refuseMachineRoot = true;
}

TEST(MemoSlots, AMachineRootThatRefusesKeysSendsTheMemoToTheUsersKey)
{
    MemoSandbox memos(MemoSandbox::refusingMachineRoot);
    ASSERT_TRUE(memos.isActive());
    HKEY refused = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, MemoStore::keyPath(MemoSlot::B).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, &refused, nullptr),
              ERROR_ACCESS_DENIED);

    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    CPresetSystemEffect* effect = presetEffect(host.effect());
    host.setParameter(kDecay, 0.3f);
    EXPECT_EQ(effect->storeMemoB(), ERROR_SUCCESS);
    EXPECT_EQ(openSlot(HKEY_LOCAL_MACHINE, MemoSlot::B), nullptr);
    HKEY user = openSlot(HKEY_CURRENT_USER, MemoSlot::B);
    ASSERT_NE(user, nullptr);
    RegCloseKey(user);

    host.setParameter(kDecay, 0.7f);
    host.clearCalls();
    EXPECT_EQ(effect->recallMemoB(), ERROR_SUCCESS);
    EXPECT_EQ(host.getParameter(kDecay), 0.3f);
    EXPECT_EQ(host.callsWith(audioMasterAutomate).size(), 16u);
}
#endif
