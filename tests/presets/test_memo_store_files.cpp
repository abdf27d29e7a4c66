// The memo slots' files on Linux: where they live, that a recall sees one
// store whole, the slots earlier versions kept, and temporaries of killed
// writers.
#include "CMemoSlots.h"
#include "Corvanta.h"
#include "FakeFileUi.h"
#include "LittleEndian.h"
#include "MemoSandbox.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <thread>

namespace
{
MemoContents contentsOf(float value, const char* name)
{
    MemoContents contents;
    for (int32_t i = 0; i < kNumHostParameters; ++i)
    {
        contents.values[i] = value + 0.01f * static_cast<float>(i);
        contents.hasValue[i] = true;
    }
    contents.name = name;
    contents.hasName = true;
    return contents;
}

bool sameContents(const MemoContents& a, const MemoContents& b)
{
    for (int32_t i = 0; i < kNumHostParameters; ++i)
        if (a.hasValue[i] != b.hasValue[i] || (a.hasValue[i] && a.values[i] != b.values[i]))
            return false;
    return a.hasName == b.hasName && a.name == b.name;
}

void makeFile(const std::string& path, const std::vector<uint8_t>& bytes, time_t ageSeconds = 0)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeBytes(path, bytes.data(), bytes.size());
    const struct timespec when[2] = {{std::time(nullptr) - ageSeconds, 0}, {std::time(nullptr) - ageSeconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), when, 0);
}

// A key's values file as earlier versions wrote it (see MemoStoreFiles.cpp).
std::vector<uint8_t> earlierValuesFile(float decay, const std::string& name)
{
    std::vector<uint8_t> bytes = {'C', 'V', 'R', 'G'};
    auto put = [&bytes](uint32_t n) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(n >> shift));
    };
    auto putValue = [&](const std::string& valueName, uint32_t type, const std::vector<uint8_t>& data) {
        put(static_cast<uint32_t>(valueName.size()));
        bytes.insert(bytes.end(), valueName.begin(), valueName.end());
        put(type);
        put(static_cast<uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
    };
    put(1);
    put(2);
    std::vector<uint8_t> value(4);
    putFloatLE(decay, value.data());
    putValue("param  3", 3, value);
    putValue("name", 1, std::vector<uint8_t>(name.c_str(), name.c_str() + name.size() + 1));
    return bytes;
}
} // namespace

TEST(MemoStoreFiles, ARecallSeesOneStoreWholeWhileTwoInstancesStore)
{
    MemoSandbox memos;
    const MemoContents first = contentsOf(0.1f, "First instance");
    const MemoContents second = contentsOf(0.5f, "Second instance");
    std::atomic<bool> storing{true};
    std::atomic<int> failures{0};
    auto writer = [&](const MemoContents& contents) {
        for (int round = 0; round < 150; ++round)
            if (MemoStore().write(MemoSlot::A, contents) != memo_status::kOk)
                ++failures;
    };
    std::thread reader([&] {
        while (storing)
        {
            MemoContents seen;
            const int32_t status = MemoStore().read(MemoSlot::A, seen);
            if (status == memo_status::kOk ? !sameContents(seen, first) && !sameContents(seen, second)
                                           : status != memo_status::kNotFound)
                ++failures;
        }
    });
    std::thread one(writer, first);
    std::thread two(writer, second);
    one.join();
    two.join();
    storing = false;
    reader.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(fileNamesIn(memos.configHome() + "/corvanta"), std::vector<std::string>{"memo-a.orv"});

    // A slot file that is no memo is refused and changes nothing.
    TestHost host;
    Corvanta effect(TestHost::callback);
    const auto before = storeBytes(effect);
    writeBytes(MemoStore::slotPath(MemoSlot::A), reinterpret_cast<const uint8_t*>("NCRO!short"), 10);
    EXPECT_EQ(effect.recallMemoA(), memo_status::kInvalidData);
    EXPECT_EQ(storeBytes(effect), before);
}

TEST(MemoStoreFiles, ConfigHomeFallsBackToHomeAndNeedsAWritablePlace)
{
    MemoSandbox memos; // restores the variable afterwards
    TempDirectory fakeHome;
    const char* realHome = std::getenv("HOME");
    const std::string savedHome = realHome ? realHome : "";
    ::setenv("HOME", fakeHome.str().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    TestHost host;
    Corvanta effect(TestHost::callback);
    EXPECT_EQ(effect.storeMemoB(), memo_status::kOk);
    EXPECT_EQ(std::filesystem::file_size(fakeHome.str() + "/.config/corvanta/memo-b.orv"), 93u);

    // A configuration home that is a file can't hold the slots.
    writeBytes(fakeHome.file("plain"), reinterpret_cast<const uint8_t*>("x"), 1);
    ::setenv("XDG_CONFIG_HOME", fakeHome.file("plain").c_str(), 1);
    EXPECT_EQ(effect.storeMemoB(), memo_status::kPathNotFound);
    EXPECT_EQ(effect.recallMemoB(), memo_status::kPathNotFound);
    if (realHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

TEST(MemoStoreFiles, SlotsOfEarlierVersionsAreReadUntilStoredAgain)
{
    MemoSandbox memos;
    const std::string earlier = memos.configHome() + "/corvanta/registry/";
    const std::string key = "/SOFTWARE/ORV-soundlab/ORVcv15/MemoA/.values";
    // The machine's copy was written last: it is the one a recall finds.
    makeFile(earlier + "HKEY_CURRENT_USER" + key, earlierValuesFile(0.2f, "User copy"), 300);
    makeFile(earlier + "HKEY_LOCAL_MACHINE" + key, earlierValuesFile(0.7f, "Machine copy"), 100);

    TestHost host;
    Corvanta effect(TestHost::callback);
    host.clearCalls();
    EXPECT_EQ(effect.recallMemoA(), memo_status::kOk);
    EXPECT_EQ(effect.getParameter(kDecay), 0.7f);
    EXPECT_STREQ(effect.getStoredProgram(0)->name(), "Machine copy");
    EXPECT_EQ(host.callsWith(audioMasterAutomate).size(), 1u) << "only what the slot held";
    EXPECT_EQ(effect.recallMemoB(), memo_status::kNotFound);

    effect.setParameter(kDecay, 0.4f);
    EXPECT_EQ(effect.storeMemoA(), memo_status::kOk);
    effect.setParameter(kDecay, 0.9f);
    EXPECT_EQ(effect.recallMemoA(), memo_status::kOk);
    EXPECT_EQ(effect.getParameter(kDecay), 0.4f);
    EXPECT_TRUE(std::filesystem::exists(earlier + "HKEY_LOCAL_MACHINE" + key)) << "left as it was";
}

TEST(MemoStoreFiles, AStoreRemovesTemporariesOfKilledWritersOnly)
{
    MemoSandbox memos;
    const std::string folder = memos.configHome() + "/corvanta";
    const std::string earlierKey = folder + "/registry/HKEY_LOCAL_MACHINE/SOFTWARE/ORV-soundlab/ORVcv15/MemoB";
    const std::vector<uint8_t> part = {'N', 'C', 'R'};
    makeFile(folder + "/.memo-a.orv.k1Lled", part, 120);
    makeFile(folder + "/.memo-b.orv.k2Lled", part, 61 * 60);
    makeFile(folder + "/.memo-a.orv.atWork", part);        // a writer still busy
    makeFile(folder + "/.memo-a.orv.longerName", part, 120); // not one of ours
    makeFile(folder + "/notes.txt", part, 120);
    makeFile(earlierKey + "/.values.Kil1ed", part, 120);
    makeFile(earlierKey + "/.values", earlierValuesFile(0.5f, "Earlier"), 120);

    TestHost host;
    Corvanta effect(TestHost::callback);
    EXPECT_EQ(effect.storeMemoA(), memo_status::kOk);
    EXPECT_EQ(fileNamesIn(folder), (std::vector<std::string>{".memo-a.orv.atWork", ".memo-a.orv.longerName",
                                                         "memo-a.orv", "notes.txt", "registry"}));
    EXPECT_EQ(fileNamesIn(earlierKey), std::vector<std::string>{".values"});
}
