// Random and mutated files fed to both loaders: no crash, the right message,
// and programs change exactly as a valid file says and otherwise not at all.
#include "Corvanta.h"
#include "FakeFileUi.h"
#include "TempDirectory.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <bit>
#include <random>

namespace
{
struct ModelProgram
{
    std::string name;
    float values[16];
};
using Model = std::vector<ModelProgram>;

Model snapshot(CPresetSystemEffect& effect)
{
    Model model(kNumStoredPrograms);
    for (VstInt32 p = 0; p < kNumStoredPrograms; ++p)
    {
        model[p].name = effect.getStoredProgram(p)->name();
        for (int32_t i = 0; i < 16; ++i)
            model[p].values[i] = effect.getStoredProgram(p)->getParameter(i);
    }
    return model;
}

bool sameModel(const Model& a, const Model& b)
{
    for (size_t p = 0; p < a.size(); ++p)
        if (a[p].name != b[p].name || std::memcmp(a[p].values, b[p].values, sizeof(a[p].values)) != 0)
            return false;
    return true;
}

// What a file does to one program: its name up to the first zero within 24
// bytes, each value clamped to 0..1, a NaN leaving the old value.
void applyExpected(const uint8_t* record, ModelProgram& program)
{
    program.name.assign(reinterpret_cast<const char*>(record), strnlen(reinterpret_cast<const char*>(record), 24));
    for (int i = 0; i < 16; ++i)
    {
        float v;
        std::memcpy(&v, record + 24 + 4 * i, 4); // the test machine is little-endian
        if (!std::isnan(v))
            program.values[i] = v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
    }
}

std::string expectedMessage(const std::vector<uint8_t>& bytes, bool bank)
{
    if (bytes.size() < 5 || std::memcmp(bytes.data(), "NCRO", 4) != 0)
        return "Invalid file format!";
    if (bytes[4] != (bank ? '7' : '!'))
        return bank ? "Not a bank file!" : "Not a preset file!";
    return bytes.size() < (bank ? 4669u : 93u) ? "Invalid file format!" : "";
}

std::vector<uint8_t> validFile(std::mt19937& rng, bool bank)
{
    std::vector<uint8_t> bytes = {'N', 'C', 'R', 'O', static_cast<uint8_t>(bank ? '7' : '!')};
    const int records = bank ? 53 : 1;
    std::uniform_real_distribution<float> unit(-0.25f, 1.25f);
    for (int r = 0; r < records; ++r)
    {
        const size_t nameLength = rng() % 25;
        for (size_t c = 0; c < 24; ++c)
            bytes.push_back(c < nameLength ? static_cast<uint8_t>(1 + rng() % 255) : 0);
        for (int i = 0; i < 16; ++i)
        {
            const float v = rng() % 8 == 0 ? std::bit_cast<float>(static_cast<uint32_t>(rng())) : unit(rng);
            uint8_t raw[4];
            std::memcpy(raw, &v, 4);
            bytes.insert(bytes.end(), raw, raw + 4);
        }
    }
    return bytes;
}

std::vector<uint8_t> mutate(std::mt19937& rng, std::vector<uint8_t> bytes)
{
    switch (rng() % 5)
    {
    case 0: // a few bytes changed, often in the header
        for (unsigned k = 1 + rng() % 6; k > 0 && !bytes.empty(); --k)
            bytes[rng() % 2 ? rng() % std::min<size_t>(bytes.size(), 6) : rng() % bytes.size()] ^=
                static_cast<uint8_t>(1 + rng() % 255);
        break;
    case 1:
        bytes.resize(rng() % (bytes.size() + 1));
        break;
    case 2:
        for (unsigned k = rng() % 300; k > 0; --k)
            bytes.push_back(static_cast<uint8_t>(rng()));
        break;
    case 3:
        if (bytes.size() > 4)
            bytes[4] = static_cast<uint8_t>(rng() % 3 == 0 ? (rng() % 2 ? '7' : '!') : rng());
        break;
    default: // unchanged
        break;
    }
    return bytes;
}
} // namespace

TEST(FileFuzz, ThousandsOfFilesNeverCrashAndOnlyValidOnesChangePrograms)
{
    TestHost host;
    Corvanta effect(TestHost::callback);
    TempDirectory directory;
    ScriptedChooser chooser;
    RecordingMessages messages;
    CPresetFiles files(&effect, chooser, messages);
    std::mt19937 rng(20240611);
    const std::string path = directory.file("fuzz");
    int accepted = 0;

    for (int round = 0; round < 3000; ++round)
    {
        if (round % 40 == 0)
        {
            effect.selectProgram(static_cast<VstInt32>(rng() % kNumStoredPrograms));
            host.clearCalls();
        }
        std::vector<uint8_t> bytes;
        const unsigned source = rng() % 3;
        if (source == 2)
            for (unsigned k = rng() % 5000; k > 0; --k)
                bytes.push_back(static_cast<uint8_t>(rng()));
        else
            bytes = mutate(rng, validFile(rng, source == 0));
        const bool asBank = rng() % 2 == 0;
        writeBytes(path, bytes.data(), bytes.size());
        chooser.answers = {path};
        messages.shown.clear();

        const Model before = snapshot(effect);
        const VstInt32 current = effect.getCurrentProgramIndex();
        const bool loaded = asBank ? files.loadBank() : files.loadPreset();
        const std::string message = expectedMessage(bytes, asBank);
        ASSERT_EQ(loaded, message.empty()) << "round " << round;
        if (!loaded)
        {
            ASSERT_EQ(messages.shown, std::vector<std::string>{"Error...|" + message}) << "round " << round;
            ASSERT_TRUE(sameModel(snapshot(effect), before)) << "round " << round;
            continue;
        }
        ++accepted;
        ASSERT_TRUE(messages.shown.empty());
        Model expected = before;
        const VstInt32 selected = asBank ? 0 : current;
        if (asBank)
            for (size_t p = 0; p < expected.size(); ++p)
                applyExpected(bytes.data() + 5 + 88 * p, expected[p]);
        else
            applyExpected(bytes.data() + 5, expected[static_cast<size_t>(current)]);
        // Selecting the program gives its globals to all and copies it into the edit buffer.
        for (ModelProgram& program : expected)
            for (int32_t global : {int32_t(kPower), int32_t(kMix), int32_t(kOutput)})
                program.values[global] = expected[static_cast<size_t>(selected)].values[global];
        expected[0] = expected[static_cast<size_t>(selected)];
        ASSERT_TRUE(sameModel(snapshot(effect), expected)) << "round " << round;
        ASSERT_EQ(effect.getCurrentProgramIndex(), selected);
    }
    // The mutations leave enough files intact for the valid path to be exercised.
    EXPECT_GT(accepted, 300);
}
