// The two memo slots, A and B: the current parameters and program name
// parked where every instance of the effect finds them (MemoStore), and
// brought back as an automated edit of the current program.
//
// Threads: the editor's thread, like the program store.
#pragma once

#include "MemoStore.h"

#include <cstdint>

class CPresetSystemEffect;

class CMemoSlots
{
public:
    // On the platform's store.
    CMemoSlots() = default;
    explicit CMemoSlots(const MemoStore& store) : memoStore(store) {}

    // Writes the 16 parameter values as the model keeps them and the current
    // program's name. Returns a memo_status code (on Windows, the registry's).
    int32_t store(CPresetSystemEffect& effect, MemoSlot slot) const;

    // Applies the stored values as automated edits of the current program
    // and names it. A value the slot lacks is skipped (its parameter keeps
    // its value), and so is one the effect ignores; the host is told the
    // value the effect kept. A slot without a name keeps the name. Returns a
    // memo_status code; on failure nothing changes.
    int32_t recall(CPresetSystemEffect& effect, MemoSlot slot) const;

private:
    MemoStore memoStore;
};
