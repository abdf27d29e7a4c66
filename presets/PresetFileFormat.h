// Preset (".orv") and bank (".orb") files: a 5-byte header, the magic "NCRO"
// and a kind byte, then 88-byte program records (a 24-byte name, terminated
// only when shorter, and 16 little-endian single-precision values).
//
// Reading checks the whole file before anything is handed back, so a caller
// applies a file completely or not at all.
#pragma once

#include "CProgram.h"
#include "FactoryBank.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr size_t kFileHeaderSize = 5;
constexpr size_t kProgramRecordSize = 88;
constexpr size_t kPresetFileSize = kFileHeaderSize + kProgramRecordSize; // 93
constexpr size_t kBankFileSize = kFileHeaderSize + kNumStoredPrograms * kProgramRecordSize; // 4669
constexpr uint8_t kBankKind = '7';
constexpr uint8_t kPresetKind = '!';

// One program as a file carries it; the name is zero-terminated here.
struct ProgramRecord
{
    char name[CProgram::kNameCapacity] = {};
    float values[CProgram::kNumValues] = {};
};

using ProgramBank = std::array<ProgramRecord, kNumStoredPrograms>;

enum class FileCheck
{
    ok,
    invalidFormat, // wrong magic, or shorter than its format
    notBank,
    notPreset
};

// "Invalid file format!", "Not a bank file!", "Not a preset file!"; null for ok.
const char* fileCheckMessage(FileCheck check);

ProgramRecord recordOf(const CProgram& program);
// Names the program and sets its values, which the program clamps to 0..1.
void applyRecord(const ProgramRecord& record, CProgram& program);

std::array<uint8_t, kPresetFileSize> writePresetFile(const ProgramRecord& record);
std::array<uint8_t, kBankFileSize> writeBankFile(const ProgramBank& bank);

// The magic is checked first, then the kind, then the length. Bytes beyond
// the format's length are ignored.
FileCheck readPresetFile(const uint8_t* bytes, size_t size, ProgramRecord& record);
FileCheck readBankFile(const uint8_t* bytes, size_t size, ProgramBank& bank);
