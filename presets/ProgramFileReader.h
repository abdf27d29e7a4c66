// Reading preset (".orv") and bank (".orb") files for programs that load
// them without the editor: the header "NCRO" and a kind byte ('!' preset,
// '7' bank), then 88-byte program records of a 24-byte name (terminated only
// when shorter) and 16 little-endian single-precision values.
//
// Threads: plain functions without shared state; any thread.
#pragma once

#include "CProgram.h"
#include "FactoryBank.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

using ProgramArray = std::array<CProgram, kNumStoredPrograms>;

// Decodes a whole file image; bytes beyond the format are ignored. On
// failure nothing is changed and `error` holds the reason ("Invalid file
// format!", "Not a preset file!", "Not a bank file!"); a file shorter than
// its format is an invalid format. The programs clamp values to 0..1.
bool decodePresetBytes(std::span<const uint8_t> bytes, CProgram& program, std::string& error);
bool decodeBankBytes(std::span<const uint8_t> bytes, ProgramArray& programs, std::string& error);

// Reads and decodes the file at `path`; a file that cannot be read sets
// `error` to the system's reason.
bool loadPresetFile(const std::string& path, CProgram& program, std::string& error);
bool loadBankFile(const std::string& path, ProgramArray& programs, std::string& error);
