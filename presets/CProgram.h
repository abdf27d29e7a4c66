// One program: a name of at most 24 characters and the normalised values of
// the 16 host parameters. The layout of the fields is the one preset and bank
// files and memo slots carry.
//
// Threads: the values are written by whichever control thread sets a
// parameter (host automation, the editor) and read by the others, so each is
// atomic; the name belongs to the editor's and the host's user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>

class CProgram
{
public:
    static constexpr int kNameCapacity = 25; // 24 characters and the terminator
    static constexpr int kMaxNameLength = kNameCapacity - 1;
    static constexpr int kNumValues = 16;

    CProgram();
    CProgram(const CProgram& other);
    CProgram& operator=(const CProgram& other);

    // Keeps the first 24 characters; the bytes after the name are zero.
    void setName(const char* text);
    // Copies the name with its terminator (at most 25 bytes).
    void getName(char* text) const;
    const char* name() const { return nameBytes; }

    // Stores the value clamped to 0..1; indices outside 0..15 are ignored.
    void setParameter(int32_t index, float value);
    // The stored value, or -1 for an index outside 0..15.
    float getParameter(int32_t index) const;

private:
    char nameBytes[kNameCapacity] = {};
    std::atomic<float> values[kNumValues] = {};
};
