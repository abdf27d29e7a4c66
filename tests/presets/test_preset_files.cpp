// Preset and bank files through the four file operations.
#include "AEffEditor.h"
#include "Corvanta.h"
#include "FakeFileUi.h"
#include "FifoWatchdog.h"
#include "LittleEndian.h"
#include "TempDirectory.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace
{
CPresetSystemEffect* presetEffect(AEffect* effect)
{
    return static_cast<CPresetSystemEffect*>(static_cast<AudioEffect*>(effect->object));
}

// Replaces the module's editor, which the effect then deletes; the effect
// deletes this one in turn (through its virtual destructor, which is the
// test's own, so the test's allocation is freed by the test's code).
class RecordingEditor : public AEffEditor
{
public:
    using AEffEditor::AEffEditor;
    std::vector<std::string> names;
    void updateProgramName(const char* name) override { names.emplace_back(name); }
};

// A preset file written by hand, so the format is checked against its layout.
std::vector<uint8_t> presetBytes(const char* name, const float (&values)[16])
{
    std::vector<uint8_t> bytes = {'N', 'C', 'R', 'O', '!'};
    bytes.resize(kPresetFileSize);
    std::memcpy(bytes.data() + 5, name, strnlen(name, 24));
    for (int i = 0; i < 16; ++i)
        putFloatLE(values[i], bytes.data() + 29 + 4 * i);
    return bytes;
}

struct FileSetup
{
    TempDirectory directory;
    ScriptedChooser chooser;
    RecordingMessages messages;
};

#if !defined(_WIN32)
// No file of this process may grow beyond `bytes` for the object's life, as
// on a full disk or under a quota: writing further fails (EFBIG) instead of
// raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*savedHandler)(int) = nullptr;
};
#endif
} // namespace

TEST(PresetFiles, BankRoundTripsBitForBitForAll53Programs)
{
    TestHost host;
    Corvanta effect(TestHost::callback);
    FileSetup setup;
    CPresetFiles files(&effect, setup.chooser, setup.messages);

    // Odd values everywhere but the three globals, which every program shares.
    for (VstInt32 p = 0; p < kNumStoredPrograms; ++p)
    {
        CProgram& program = *effect.getStoredProgram(p);
        program.setName(p == 3 ? "ABCDEFGHIJKLMNOPQRSTUVWX" : ("Program #" + std::to_string(p)).c_str());
        for (int32_t i = 0; i < 16; ++i)
        {
            const bool global = i == kPower || i == kMix || i == kOutput;
            program.setParameter(i, global ? 0.3f + 0.1f * static_cast<float>(i % 3)
                                           : std::nextafter(static_cast<float>((p * 16 + i) % 97) / 96.0f, 0.5f));
        }
    }
    const auto saved = storeBytes(effect);
    const std::string path = setup.directory.file("all.orb");
    setup.chooser.answers = {path, path, path};
    ASSERT_TRUE(files.saveBank());
    const std::vector<uint8_t> written = readBytes(path);
    ASSERT_EQ(written.size(), 4669u);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), saved.begin()));
    EXPECT_EQ(std::string(written.begin(), written.begin() + 5), "NCRO7");
    // Record 3's name fills all 24 bytes, without a terminator.
    EXPECT_EQ(std::string(written.begin() + 5 + 3 * 88, written.begin() + 5 + 3 * 88 + 24), "ABCDEFGHIJKLMNOPQRSTUVWX");

    effect.loadFactoryPrograms();
    effect.selectProgram(12);
    host.clearCalls();
    ASSERT_TRUE(files.loadBank());
    EXPECT_EQ(storeBytes(effect), saved);
    EXPECT_EQ(effect.getCurrentProgramIndex(), 0);
    EXPECT_EQ(host.callsWith(audioMasterAutomate).size(), 32u) << "program 0 applied and announced";
    EXPECT_STREQ(effect.getStoredProgram(3)->name(), "ABCDEFGHIJKLMNOPQRSTUVWX");

    ASSERT_TRUE(files.saveBank());
    EXPECT_EQ(readBytes(path), written);
    EXPECT_TRUE(setup.messages.shown.empty());
}

TEST(PresetFiles, PresetLoadsIntoTheCurrentProgramAsTheHostSeesIt)
{
    PluginModule module;
    TestHost host;
    ASSERT_NE(host.load(module), nullptr);
    CPresetSystemEffect* effect = presetEffect(host.effect());
    auto& editor = *new RecordingEditor(effect);
    FileSetup setup;
    CPresetFiles files(effect, setup.chooser, setup.messages);

    effect->selectProgram(7);
    const auto before = storeBytes(*effect);
    // Type Plate, Decay 0.3; HighDamp below and LowGain above the range.
    const float values[16] = {1.0f, 0.9f, 0.125f, 0.3f, -0.5f, 0.25f, 2.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0, 0, 0, 0.75f};
    const std::string path = setup.directory.file("plate.orv");
    const auto bytes = presetBytes("Twenty-four characters!!", values);
    writeBytes(path, bytes.data(), bytes.size());
    setup.chooser.answers = {path};
    host.clearCalls();
    ASSERT_TRUE(files.loadPreset());

    const CProgram& seven = *effect->getStoredProgram(7);
    EXPECT_STREQ(seven.name(), "Twenty-four characters!!");
    EXPECT_EQ(seven.getParameter(kHighDamp), 0.0f);
    EXPECT_EQ(seven.getParameter(kLowGain), 1.0f);
    EXPECT_EQ(seven.getParameter(15), 0.75f);
    EXPECT_EQ(host.programName(), "Twenty-four characters!!");
    EXPECT_EQ(host.parameterDisplay(kType), "Plate");
    EXPECT_EQ(host.getParameter(kDecay), 0.3f);
    EXPECT_EQ(host.getParameter(kHighDamp), 0.0f);
    EXPECT_EQ(host.callsWith(audioMasterAutomate).size(), 32u);
    EXPECT_EQ(effect->getCurrentProgramIndex(), 7);
    EXPECT_EQ(editor.names, std::vector<std::string>{"Twenty-four characters!!"});
    const auto after = storeBytes(*effect);
    const size_t record6 = 5 + 6 * 88;
    EXPECT_TRUE(std::equal(before.begin() + record6, before.begin() + record6 + 88, after.begin() + record6))
        << "program 6 untouched";

    // Saving it again gives the same 93 bytes with the clamped values.
    const std::string copy = setup.directory.file("copy.orv");
    setup.chooser.answers = {copy};
    ASSERT_TRUE(files.savePreset());
    std::vector<uint8_t> expected = bytes;
    putFloatLE(0.0f, expected.data() + 29 + 4 * kHighDamp);
    putFloatLE(1.0f, expected.data() + 29 + 4 * kLowGain);
    EXPECT_EQ(readBytes(copy), expected);
}

TEST(PresetFiles, RefusedFilesShowTheirMessageAndChangeNothing)
{
    TestHost host;
    Corvanta effect(TestHost::callback);
    FileSetup setup;
    CPresetFiles files(&effect, setup.chooser, setup.messages);
    effect.selectProgram(20);

    const float values[16] = {1.0f, 0.5f};
    const std::vector<uint8_t> preset = presetBytes("Stranger", values);
    ProgramBank bank;
    const auto bankArray = writeBankFile(bank);
    const std::vector<uint8_t> validBank(bankArray.begin(), bankArray.end());
    std::vector<uint8_t> wrongMagic = validBank;
    wrongMagic[2] = 'X';
    std::vector<uint8_t> wrongPresetMagic = preset;
    wrongPresetMagic[0] = 'n';

    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
        bool asBank;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"wrong magic as bank", wrongMagic, true, "Invalid file format!"},
        {"wrong magic as preset", wrongPresetMagic, false, "Invalid file format!"},
        {"empty", {}, true, "Invalid file format!"},
        {"three bytes", {'N', 'C', 'R'}, false, "Invalid file format!"},
        {"magic only", {'N', 'C', 'R', 'O'}, true, "Invalid file format!"},
        {"preset as bank", preset, true, "Not a bank file!"},
        {"bank as preset", validBank, false, "Not a preset file!"},
        {"bank one byte short", std::vector<uint8_t>(validBank.begin(), validBank.end() - 1), true,
         "Invalid file format!"},
        {"preset one byte short", std::vector<uint8_t>(preset.begin(), preset.end() - 1), false,
         "Invalid file format!"},
    };
    const auto before = storeBytes(effect);
    for (const Case& c : cases)
    {
        const std::string path = setup.directory.file("refused");
        writeBytes(path, c.bytes.data(), c.bytes.size());
        setup.chooser.answers = {path};
        setup.messages.shown.clear();
        EXPECT_FALSE(c.asBank ? files.loadBank() : files.loadPreset()) << c.what;
        EXPECT_EQ(setup.messages.shown, std::vector<std::string>{std::string("Error...|") + c.message}) << c.what;
        EXPECT_EQ(storeBytes(effect), before) << c.what;
        EXPECT_EQ(effect.getCurrentProgramIndex(), 20);
    }

    // Bytes beyond the format are ignored.
    std::vector<uint8_t> longer = preset;
    longer.resize(200, 0xAB);
    const std::string path = setup.directory.file("longer.orv");
    writeBytes(path, longer.data(), longer.size());
    setup.chooser.answers = {path};
    EXPECT_TRUE(files.loadPreset());
    EXPECT_STREQ(effect.getStoredProgram(20)->name(), "Stranger");
}

TEST(PresetFiles, ChooserRequestsRememberedNamesAndNoDirectoryChange)
{
    TestHost host;
    Corvanta effect(TestHost::callback);
    FileSetup setup;
    const std::string cwd = std::filesystem::current_path().string();
    CPresetFiles files(&effect, setup.chooser, setup.messages);
    EXPECT_EQ(files.getFileDirectory(), cwd);

    std::filesystem::create_directory(setup.directory.file("sub"));
    const std::string bankPath = setup.directory.file("sub/mine.orb");
    setup.chooser.answers = {bankPath};
    ASSERT_TRUE(files.saveBank());
    EXPECT_EQ(files.getFileDirectory(), setup.directory.file("sub/"));
    EXPECT_EQ(files.getBankFileName(), "mine.orb");
    EXPECT_EQ(std::filesystem::current_path().string(), cwd) << "the host's directory is left alone";

    setup.chooser.answers = {""}; // cancelled: nothing changes
    EXPECT_FALSE(files.loadPreset());
    setup.chooser.answers = {setup.directory.file("missing.orv")}; // can't be opened: silent
    const auto before = storeBytes(effect);
    EXPECT_FALSE(files.loadPreset());
    EXPECT_EQ(storeBytes(effect), before);
    EXPECT_TRUE(setup.messages.shown.empty());
    setup.chooser.answers = {bankPath};
    EXPECT_TRUE(files.loadBank());
    EXPECT_EQ(std::filesystem::current_path().string(), cwd);

    ASSERT_EQ(setup.chooser.seen.size(), 4u);
    const SeenRequest& save = setup.chooser.seen[0];
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.title, "Save bank as...");
    EXPECT_EQ(save.allFilter + save.allPattern + save.filter + save.pattern, "All Files*.*ORV Banks*.orb");
    EXPECT_EQ(save.filterIndex, 2);
    EXPECT_EQ(save.extension, "orb");
    EXPECT_EQ(save.options, uint32_t(kChooserOverwritePrompt | kChooserHideReadOnly));
    EXPECT_EQ(save.directory, cwd);
    EXPECT_EQ(save.fileName, "");
    const SeenRequest& cancelled = setup.chooser.seen[1];
    EXPECT_FALSE(cancelled.save);
    EXPECT_EQ(cancelled.title, "Select preset to load...");
    EXPECT_EQ(cancelled.filter + cancelled.pattern + cancelled.extension, "ORV Presets*.orvorv");
    EXPECT_EQ(cancelled.options, uint32_t(kChooserFileMustExist | kChooserPathMustExist | kChooserHideReadOnly));
    EXPECT_EQ(cancelled.directory, setup.directory.file("sub/"));
    EXPECT_EQ(setup.chooser.seen[2].directory, setup.directory.file("sub/")) << "a cancel keeps the directory";
    EXPECT_EQ(files.getPresetFileName(), "missing.orv");
    EXPECT_EQ(setup.chooser.seen[3].title, "Select bank to load...");
    EXPECT_EQ(setup.chooser.seen[3].fileName, "mine.orb");

    // Without an effect nothing is asked.
    CPresetFiles orphan(nullptr, setup.chooser, setup.messages);
    EXPECT_FALSE(orphan.loadBank() || orphan.saveBank() || orphan.loadPreset() || orphan.savePreset());
    EXPECT_EQ(setup.chooser.seen.size(), 4u);
}

TEST(PresetFiles, AFailedSaveLeavesTheOldFileAsItWasAndSaysSo)
{
    TestHost host;
    Corvanta effect(TestHost::callback);
    FileSetup setup;
    CPresetFiles files(&effect, setup.chooser, setup.messages);
    const std::string bank = setup.directory.file("mine.orb");
    const std::string preset = setup.directory.file("mine.orv");
    setup.chooser.answers = {bank, preset};
    ASSERT_TRUE(files.saveBank());
    ASSERT_TRUE(files.savePreset());
    const std::vector<uint8_t> oldBank = readBytes(bank);
    const std::vector<uint8_t> oldPreset = readBytes(preset);
    effect.selectProgram(30);
    effect.setParameter(kDecay, 0.123f);
    const std::vector<std::string> expected(2, "Error...|Could not save file!");

#if !defined(_WIN32)
    {
        // Room for a fraction of either file.
        const FileSizeLimit limit(64);
        setup.chooser.answers = {bank, preset};
        EXPECT_FALSE(files.saveBank());
        EXPECT_FALSE(files.savePreset());
    }
    EXPECT_EQ(readBytes(bank), oldBank);
    EXPECT_EQ(readBytes(preset), oldPreset);
    EXPECT_EQ(setup.messages.shown, expected);
    EXPECT_EQ(fileNamesIn(setup.directory.str()), (std::vector<std::string>{"mine.orb", "mine.orv"}))
        << "no temporary file stays";
    setup.messages.shown.clear();
#endif

    // A folder of that name can't be replaced by a file.
    const std::string taken = setup.directory.file("taken");
    std::filesystem::create_directory(taken);
    setup.chooser.answers = {taken, taken};
    EXPECT_FALSE(files.saveBank());
    EXPECT_FALSE(files.savePreset());
    EXPECT_TRUE(std::filesystem::is_directory(taken));
    EXPECT_EQ(setup.messages.shown, expected);
    EXPECT_EQ(fileNamesIn(setup.directory.str()), (std::vector<std::string>{"mine.orb", "mine.orv", "taken"}));

    setup.chooser.answers = {bank};
    ASSERT_TRUE(files.saveBank());
    const auto now = storeBytes(effect);
    EXPECT_EQ(readBytes(bank), std::vector<uint8_t>(now.begin(), now.end()));
}

TEST(PresetFiles, FoldersAndPipesAreRefusedWithoutWaiting)
{
    TestHost host;
    Corvanta effect(TestHost::callback);
    FileSetup setup;
    CPresetFiles files(&effect, setup.chooser, setup.messages);
    const auto before = storeBytes(effect);

    std::filesystem::create_directory(setup.directory.file("folder.orb"));
    setup.chooser.answers = {setup.directory.file("folder.orb")};
    EXPECT_FALSE(files.loadBank());
    EXPECT_EQ(setup.messages.shown, std::vector<std::string>{"Error...|folder.orb is a folder"});

#if !defined(_WIN32)
    const std::string pipe = setup.directory.file("pipe.orv");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const bool asBank : {false, true})
    {
        setup.messages.shown.clear();
        setup.chooser.answers = {pipe};
        const FifoWatchdog watchdog(pipe);
        EXPECT_FALSE(asBank ? files.loadBank() : files.loadPreset());
        EXPECT_FALSE(watchdog.fired()) << "the load waited on the pipe";
        EXPECT_EQ(setup.messages.shown, std::vector<std::string>{"Error...|pipe.orv is not a regular file"});
    }
#endif
    EXPECT_EQ(storeBytes(effect), before);
}
