// The two memo slots, A and B: the current parameters and program name parked
// in the registry under the machine-wide software key, so that every instance
// of the effect sees them. Where the machine-wide key can't be written (an
// ordinary user on Windows), the same path under the user's own key is used,
// and a recall looks there first.
//
// Threads: the editor's thread, like the program store.
#pragma once

#include <cstdint>
#include <string>

class CPresetSystemEffect;
struct RegistryCalls;

enum class MemoSlot
{
    A,
    B
};

class CMemoSlots
{
public:
    // On the platform's registry.
    CMemoSlots();
    // On other registry calls, which must outlive this object.
    explicit CMemoSlots(const RegistryCalls& registry);

    // Writes the 16 parameter values as the model keeps them and the current
    // program's name. Returns 0, or the error of the key creation, or the
    // status of closing the key.
    int32_t store(CPresetSystemEffect& effect, MemoSlot slot) const;

    // Applies the stored values as automated edits of the current program
    // and names it. A value that is missing or not 4 bytes long is skipped
    // (its parameter keeps its value); a missing name keeps the name. Returns
    // 0, or the error of opening the key (nothing changes), or the status of
    // closing it.
    int32_t recall(CPresetSystemEffect& effect, MemoSlot slot) const;

    // "SOFTWARE\ORV-soundlab\ORVcv15\MemoA" or "...\MemoB".
    static std::string keyPath(MemoSlot slot);

    // "param" and the index right-aligned in three characters: "param  0".
    static constexpr int kValueNameCapacity = 16;
    static void valueName(int32_t index, char (&name)[kValueNameCapacity]);

private:
    const RegistryCalls& registry;
};
