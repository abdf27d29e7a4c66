// Reading preset and bank files.
#include "ProgramFileReader.h"

#include "RenderTestSupport.h"

#include <gtest/gtest.h>

namespace
{
const float kValues[16] = {1.0f, 0.8988889f, 0.25f, 0.7f, 0.3f, 0.25f, 0.25f, 0.5f,
                           0.35355f, 0.5f, 0.5f, 0.0f, 0.125f, 0.0f, 0.0f, 1.0f};

void expectProgram(const CProgram& program, const std::string& name, const float (&values)[16])
{
    EXPECT_EQ(std::string(program.name()), name);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(program.getParameter(i), values[i]) << "value " << i;
}
} // namespace

TEST(ProgramFiles, ReadsAPresetBitForBit)
{
    const auto bytes = programFile('!', {programRecord("Vocal Plate", kValues)});
    ASSERT_EQ(bytes.size(), 93u);
    CProgram program;
    std::string error;
    ASSERT_TRUE(decodePresetBytes(bytes, program, error)) << error;
    expectProgram(program, "Vocal Plate", kValues);
}

TEST(ProgramFiles, ReadsAWholeBankInOrder)
{
    std::vector<std::vector<uint8_t>> records;
    for (int n = 0; n < kNumStoredPrograms; ++n)
    {
        float values[16] = {};
        for (int i = 0; i < 16; ++i)
            values[i] = static_cast<float>((n * 16 + i) % 97) / 96.0f;
        records.push_back(programRecord("Program " + std::to_string(n), values));
    }
    const auto bytes = programFile('7', records);
    ASSERT_EQ(bytes.size(), 4669u);
    ProgramArray bank;
    std::string error;
    ASSERT_TRUE(decodeBankBytes(bytes, bank, error)) << error;
    for (int n = 0; n < kNumStoredPrograms; ++n)
    {
        EXPECT_EQ(std::string(bank[static_cast<size_t>(n)].name()), "Program " + std::to_string(n));
        EXPECT_EQ(bank[static_cast<size_t>(n)].getParameter(15), static_cast<float>((n * 16 + 15) % 97) / 96.0f);
    }
}

TEST(ProgramFiles, NamesOfTwentyFourCharactersHaveNoTerminator)
{
    auto record = programRecord("ABCDEFGHIJKLMNOPQRSTUVWX", kValues);
    CProgram program;
    std::string error;
    ASSERT_TRUE(decodePresetBytes(programFile('!', {record}), program, error));
    EXPECT_EQ(std::string(program.name()), "ABCDEFGHIJKLMNOPQRSTUVWX");

    // Bytes after a terminator carry no meaning.
    record = programRecord("Short", kValues);
    record[10] = 'Z';
    ASSERT_TRUE(decodePresetBytes(programFile('!', {record}), program, error));
    EXPECT_EQ(std::string(program.name()), "Short");
}

TEST(ProgramFiles, ValuesOutsideZeroToOneAreClamped)
{
    float wild[16] = {};
    wild[3] = 1.7f;
    wild[4] = -0.5f;
    CProgram program;
    std::string error;
    ASSERT_TRUE(decodePresetBytes(programFile('!', {programRecord("Wild", wild)}), program, error));
    EXPECT_EQ(program.getParameter(3), 1.0f);
    EXPECT_EQ(program.getParameter(4), 0.0f);
}

TEST(ProgramFiles, OtherFilesAreRefusedAndLeaveTheProgramsAlone)
{
    const auto preset = programFile('!', {programRecord("Preset", kValues)});
    std::vector<std::vector<uint8_t>> records(kNumStoredPrograms, programRecord("Bank", kValues));
    const auto bank = programFile('7', records);
    std::string error;

    CProgram program;
    program.setName("untouched");
    EXPECT_FALSE(decodePresetBytes(bank, program, error));
    EXPECT_EQ(error, "Not a preset file!");
    std::vector<uint8_t> wrongMagic = preset;
    wrongMagic[1] = 'X';
    EXPECT_FALSE(decodePresetBytes(wrongMagic, program, error));
    EXPECT_EQ(error, "Invalid file format!");
    EXPECT_FALSE(decodePresetBytes(std::vector<uint8_t>(preset.begin(), preset.end() - 1), program, error));
    EXPECT_EQ(error, "Invalid file format!");
    EXPECT_FALSE(decodePresetBytes(std::vector<uint8_t>{'N', 'C'}, program, error));
    EXPECT_EQ(error, "Invalid file format!");
    EXPECT_EQ(std::string(program.name()), "untouched");

    ProgramArray programs;
    EXPECT_FALSE(decodeBankBytes(preset, programs, error));
    EXPECT_EQ(error, "Not a bank file!");
    EXPECT_FALSE(decodeBankBytes(std::vector<uint8_t>(bank.begin(), bank.end() - 88), programs, error));
    EXPECT_EQ(error, "Invalid file format!");
    EXPECT_EQ(std::string(programs[52].name()), "init");
}

TEST(ProgramFiles, ReadsFromDiskAndReportsMissingFiles)
{
    ScratchFolder folder;
    writeBytes(folder.file("p.orv"), programFile('!', {programRecord("On Disk", kValues)}));
    CProgram program;
    std::string error;
    ASSERT_TRUE(loadPresetFile(folder.file("p.orv"), program, error)) << error;
    expectProgram(program, "On Disk", kValues);

    EXPECT_FALSE(loadPresetFile(folder.file("missing.orv"), program, error));
    EXPECT_EQ(error, "No such file or directory");
    ProgramArray bank;
    EXPECT_FALSE(loadBankFile(folder.file("p.orv"), bank, error));
    EXPECT_EQ(error, "Not a bank file!");
}
