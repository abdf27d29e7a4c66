// Reading preset (".orv") and bank (".orb") files: the header "NCRO" and a
// kind byte ('!' preset, '7' bank), then 88-byte program records of a
// 24-byte name and 16 little-endian single-precision values.
//
// Threads: plain functions without shared state; any thread.
#pragma once

#include "CProgram.h"
#include "FactoryBank.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

constexpr int32_t kProgramRecordSize = 88;
constexpr int32_t kProgramFileHeaderSize = 5;
constexpr int32_t kPresetFileSize = kProgramFileHeaderSize + kProgramRecordSize;
constexpr int32_t kBankFileSize = kProgramFileHeaderSize + kNumStoredPrograms * kProgramRecordSize;
constexpr char kPresetFileKind = '!';
constexpr char kBankFileKind = '7';

using ProgramBank = std::array<CProgram, kNumStoredPrograms>;

// Decodes one record into `program` (the program clamps each value to 0..1).
void decodeProgramRecord(std::span<const uint8_t, kProgramRecordSize> record, CProgram& program);

// Decodes a whole file image. On failure `program` or `bank` is untouched
// and `error` holds the reason ("Invalid file format!", "Not a preset file!",
// "Not a bank file!"); a file shorter than its format is an invalid format.
bool decodePresetFile(std::span<const uint8_t> bytes, CProgram& program, std::string& error);
bool decodeBankFile(std::span<const uint8_t> bytes, ProgramBank& bank, std::string& error);

// Reads and decodes the file at `path`; a file that cannot be read sets
// `error` to the system's reason.
bool readPresetFile(const std::string& path, CProgram& program, std::string& error);
bool readBankFile(const std::string& path, ProgramBank& bank, std::string& error);
