#include "ProgramFileReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
constexpr uint8_t kMagic[4] = {'N', 'C', 'R', 'O'};

float littleEndianFloat(const uint8_t* bytes)
{
    const uint32_t bits = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                          static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

// Checks the magic, the kind byte and that `count` records follow.
bool checkHeader(std::span<const uint8_t> bytes, char kind, int32_t count, std::string& error)
{
    if (bytes.size() < 4 || std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0)
    {
        error = "Invalid file format!";
        return false;
    }
    if (bytes.size() < 5 || bytes[4] != static_cast<uint8_t>(kind))
    {
        error = kind == kBankFileKind ? "Not a bank file!" : "Not a preset file!";
        return false;
    }
    if (bytes.size() < static_cast<size_t>(kProgramFileHeaderSize + count * kProgramRecordSize))
    {
        error = "Invalid file format!";
        return false;
    }
    return true;
}

std::span<const uint8_t, kProgramRecordSize> recordAt(std::span<const uint8_t> bytes, int32_t n)
{
    return bytes.subspan(static_cast<size_t>(kProgramFileHeaderSize + n * kProgramRecordSize))
        .first<kProgramRecordSize>();
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
    {
        error = std::strerror(errno);
        return false;
    }
    // Both formats are a few kilobytes; anything far larger is read only as
    // far as a bank goes, which is all the decoder looks at.
    bytes.resize(kBankFileSize + 1);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
    {
        error = "read error";
        return false;
    }
    bytes.resize(got);
    return true;
}
} // namespace

void decodeProgramRecord(std::span<const uint8_t, kProgramRecordSize> record, CProgram& program)
{
    char name[CProgram::kNameCapacity] = {};
    std::memcpy(name, record.data(), CProgram::kMaxNameLength);
    program.setName(name);
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        program.setParameter(i, littleEndianFloat(record.data() + CProgram::kMaxNameLength + 4 * i));
}

bool decodePresetFile(std::span<const uint8_t> bytes, CProgram& program, std::string& error)
{
    if (!checkHeader(bytes, kPresetFileKind, 1, error))
        return false;
    decodeProgramRecord(recordAt(bytes, 0), program);
    return true;
}

bool decodeBankFile(std::span<const uint8_t> bytes, ProgramBank& bank, std::string& error)
{
    if (!checkHeader(bytes, kBankFileKind, kNumStoredPrograms, error))
        return false;
    for (int32_t n = 0; n < kNumStoredPrograms; ++n)
        decodeProgramRecord(recordAt(bytes, n), bank[static_cast<size_t>(n)]);
    return true;
}

bool readPresetFile(const std::string& path, CProgram& program, std::string& error)
{
    std::vector<uint8_t> bytes;
    return readWholeFile(path, bytes, error) && decodePresetFile(bytes, program, error);
}

bool readBankFile(const std::string& path, ProgramBank& bank, std::string& error)
{
    std::vector<uint8_t> bytes;
    return readWholeFile(path, bytes, error) && decodeBankFile(bytes, bank, error);
}
