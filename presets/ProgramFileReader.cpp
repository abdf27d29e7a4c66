#include "ProgramFileReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
constexpr uint8_t kMagic[4] = {'N', 'C', 'R', 'O'};
constexpr int32_t kHeaderSize = 5;
constexpr int32_t kRecordSize = 88;
constexpr int32_t kLongestFile = kHeaderSize + kNumStoredPrograms * kRecordSize;
constexpr char kPresetKind = '!';
constexpr char kBankKind = '7';

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
    if (bytes.size() < sizeof(kMagic) || std::memcmp(bytes.data(), kMagic, sizeof(kMagic)) != 0)
    {
        error = "Invalid file format!";
        return false;
    }
    if (bytes.size() < kHeaderSize || bytes[sizeof(kMagic)] != static_cast<uint8_t>(kind))
    {
        error = kind == kBankKind ? "Not a bank file!" : "Not a preset file!";
        return false;
    }
    if (bytes.size() < static_cast<size_t>(kHeaderSize + count * kRecordSize))
    {
        error = "Invalid file format!";
        return false;
    }
    return true;
}

std::span<const uint8_t, kRecordSize> recordAt(std::span<const uint8_t> bytes, int32_t n)
{
    return bytes.subspan(static_cast<size_t>(kHeaderSize + n * kRecordSize)).first<kRecordSize>();
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
    bytes.resize(kLongestFile + 1);
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

void decodeProgramRecord(std::span<const uint8_t, kRecordSize> record, CProgram& program)
{
    char name[CProgram::kNameCapacity] = {};
    std::memcpy(name, record.data(), CProgram::kMaxNameLength);
    program.setName(name);
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        program.setParameter(i, littleEndianFloat(record.data() + CProgram::kMaxNameLength + 4 * i));
}
} // namespace

bool decodePresetBytes(std::span<const uint8_t> bytes, CProgram& program, std::string& error)
{
    if (!checkHeader(bytes, kPresetKind, 1, error))
        return false;
    decodeProgramRecord(recordAt(bytes, 0), program);
    return true;
}

bool decodeBankBytes(std::span<const uint8_t> bytes, ProgramArray& programs, std::string& error)
{
    if (!checkHeader(bytes, kBankKind, kNumStoredPrograms, error))
        return false;
    for (int32_t n = 0; n < kNumStoredPrograms; ++n)
        decodeProgramRecord(recordAt(bytes, n), programs[static_cast<size_t>(n)]);
    return true;
}

bool loadPresetFile(const std::string& path, CProgram& program, std::string& error)
{
    std::vector<uint8_t> bytes;
    return readWholeFile(path, bytes, error) && decodePresetBytes(bytes, program, error);
}

bool loadBankFile(const std::string& path, ProgramArray& programs, std::string& error)
{
    std::vector<uint8_t> bytes;
    return readWholeFile(path, bytes, error) && decodeBankBytes(bytes, programs, error);
}
