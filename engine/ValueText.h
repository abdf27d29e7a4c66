// Text forms of parameter values, shared by the host's parameter display and
// the editor's value fields. Each writes a zero-terminated text into a
// caller's buffer of at least kValueTextCapacity bytes.
#pragma once

#include <cstdint>
#include <initializer_list>

constexpr int kValueTextCapacity = 24;

// x with `decimals` digits after the point; half a unit of the last digit or
// more rounds away from zero. Values beyond eight integer digits leave the
// buffer as it was.
void formatFixed(double x, int32_t decimals, char* text);

// Writes the parts one after another into `text`, cutting what does not fit
// in kValueTextCapacity bytes.
void joinTexts(char* text, std::initializer_list<const char*> parts);

// Hz below 1 kHz, kHz from there, with as many decimals as the range needs.
void formatFrequency(float hz, char* text);

// A linear gain in decibels at 6 dB per doubling, or "-oodB" for silence.
void formatDecibels(float gain, char* text);

// Display name of an algorithm type index 0..8, "-no-alg-" for any other.
const char* typeName(int32_t type);
