#include "PresetFileFormat.h"

#include "LittleEndian.h"

#include <cstring>

namespace
{
constexpr uint8_t kMagic[4] = {'N', 'C', 'R', 'O'};
constexpr size_t kNameBytes = CProgram::kMaxNameLength;

void putRecord(const ProgramRecord& record, uint8_t* out)
{
    std::memset(out, 0, kNameBytes);
    std::memcpy(out, record.name, strnlen(record.name, kNameBytes));
    for (int i = 0; i < CProgram::kNumValues; ++i)
        putFloatLE(record.values[i], out + kNameBytes + 4 * i);
}

void getRecord(const uint8_t* in, ProgramRecord& record)
{
    std::memset(record.name, 0, sizeof(record.name));
    std::memcpy(record.name, in, kNameBytes);
    for (int i = 0; i < CProgram::kNumValues; ++i)
        record.values[i] = getFloatLE(in + kNameBytes + 4 * i);
}

void putHeader(uint8_t kind, uint8_t* out)
{
    std::memcpy(out, kMagic, sizeof(kMagic));
    out[sizeof(kMagic)] = kind;
}

FileCheck checkHeader(const uint8_t* bytes, size_t size, uint8_t kind, size_t formatSize, FileCheck wrongKind)
{
    if (!bytes || size < sizeof(kMagic) || std::memcmp(bytes, kMagic, sizeof(kMagic)) != 0)
        return FileCheck::invalidFormat;
    if (size < kFileHeaderSize)
        return FileCheck::invalidFormat;
    if (bytes[sizeof(kMagic)] != kind)
        return wrongKind;
    return size < formatSize ? FileCheck::invalidFormat : FileCheck::ok;
}
} // namespace

const char* fileCheckMessage(FileCheck check)
{
    switch (check)
    {
    case FileCheck::invalidFormat:
        return "Invalid file format!";
    case FileCheck::notBank:
        return "Not a bank file!";
    case FileCheck::notPreset:
        return "Not a preset file!";
    case FileCheck::ok:
        break;
    }
    return nullptr;
}

ProgramRecord recordOf(const CProgram& program)
{
    ProgramRecord record;
    program.getName(record.name);
    for (int i = 0; i < CProgram::kNumValues; ++i)
        record.values[i] = program.getParameter(i);
    return record;
}

void applyRecord(const ProgramRecord& record, CProgram& program)
{
    program.setName(record.name);
    for (int i = 0; i < CProgram::kNumValues; ++i)
        program.setParameter(i, record.values[i]);
}

std::array<uint8_t, kPresetFileSize> writePresetFile(const ProgramRecord& record)
{
    std::array<uint8_t, kPresetFileSize> bytes{};
    putHeader(kPresetKind, bytes.data());
    putRecord(record, bytes.data() + kFileHeaderSize);
    return bytes;
}

std::array<uint8_t, kBankFileSize> writeBankFile(const ProgramBank& bank)
{
    std::array<uint8_t, kBankFileSize> bytes{};
    putHeader(kBankKind, bytes.data());
    for (size_t i = 0; i < bank.size(); ++i)
        putRecord(bank[i], bytes.data() + kFileHeaderSize + i * kProgramRecordSize);
    return bytes;
}

FileCheck readPresetFile(const uint8_t* bytes, size_t size, ProgramRecord& record)
{
    const FileCheck check = checkHeader(bytes, size, kPresetKind, kPresetFileSize, FileCheck::notPreset);
    if (check == FileCheck::ok)
        getRecord(bytes + kFileHeaderSize, record);
    return check;
}

FileCheck readBankFile(const uint8_t* bytes, size_t size, ProgramBank& bank)
{
    const FileCheck check = checkHeader(bytes, size, kBankKind, kBankFileSize, FileCheck::notBank);
    if (check == FileCheck::ok)
        for (size_t i = 0; i < bank.size(); ++i)
            getRecord(bytes + kFileHeaderSize + i * kProgramRecordSize, bank[i]);
    return check;
}
