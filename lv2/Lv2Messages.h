// The messages on the plug-in's atom ports: each is an atom:Object whose
// type says what to do. In (port "control"): select a program, rename the
// current one, store a program's name and values, store or recall a memo
// slot, load or save a bank or preset file, report. Out (port "notify"):
// the current program after each of those, and the reason a request was
// refused. The URIs, mapped once, and the forge calls both sides share.
//
// Threads: mapping runs at instantiation; the forge calls run wherever the
// caller's buffer lives (the plug-in's audio thread, the UI's thread).
#pragma once

#include "CProgram.h"
#include "Lv2Bundle.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace lv2bundle
{
#define CORVANTA_MESSAGE_URI(name) "https://corvanta.audio/lv2/corvanta#" name
constexpr const char* kSelectUri = CORVANTA_MESSAGE_URI("Select");           // index
constexpr const char* kRenameUri = CORVANTA_MESSAGE_URI("Rename");           // name
constexpr const char* kStoreProgramUri = CORVANTA_MESSAGE_URI("Program");    // index, name, values
constexpr const char* kStoreMemoUri = CORVANTA_MESSAGE_URI("StoreMemo");     // slot
constexpr const char* kRecallMemoUri = CORVANTA_MESSAGE_URI("RecallMemo");   // slot
constexpr const char* kLoadBankUri = CORVANTA_MESSAGE_URI("LoadBank");       // path
constexpr const char* kSaveBankUri = CORVANTA_MESSAGE_URI("SaveBank");       // path
constexpr const char* kLoadPresetUri = CORVANTA_MESSAGE_URI("LoadPreset");   // path
constexpr const char* kSavePresetUri = CORVANTA_MESSAGE_URI("SavePreset");   // path
constexpr const char* kReportUri = CORVANTA_MESSAGE_URI("Report");           // nothing
constexpr const char* kCurrentUri = CORVANTA_MESSAGE_URI("Current");         // index, name, values
constexpr const char* kRefusedUri = CORVANTA_MESSAGE_URI("Refused");         // text
constexpr const char* kIndexUri = CORVANTA_MESSAGE_URI("index");
constexpr const char* kNameUri = CORVANTA_MESSAGE_URI("name");
constexpr const char* kValuesUri = CORVANTA_MESSAGE_URI("values");
constexpr const char* kSlotUri = CORVANTA_MESSAGE_URI("slot");
constexpr const char* kPathUri = CORVANTA_MESSAGE_URI("path");
constexpr const char* kTextUri = CORVANTA_MESSAGE_URI("text");
// State keys: the edit buffer's name, the current program, and program n
// (kProgramStateUriPrefix + n) as its file record where it differs from
// the factory bank.
constexpr const char* kEditNameStateUri = CORVANTA_MESSAGE_URI("editName");
constexpr const char* kCurrentStateUri = CORVANTA_MESSAGE_URI("currentProgram");
constexpr const char* kProgramStateUriPrefix = CORVANTA_MESSAGE_URI("program");
#undef CORVANTA_MESSAGE_URI

// The message kinds in the order of the table below; kNone for anything else.
enum class Message
{
    select,
    rename,
    storeProgram,
    storeMemo,
    recallMemo,
    loadBank,
    saveBank,
    loadPreset,
    savePreset,
    report,
    current,
    refused,
    none
};
constexpr const char* kMessageUris[] = {kSelectUri,    kRenameUri,   kStoreProgramUri, kStoreMemoUri,
                                        kRecallMemoUri, kLoadBankUri, kSaveBankUri,     kLoadPresetUri,
                                        kSavePresetUri, kReportUri,   kCurrentUri,      kRefusedUri};
constexpr int kNumMessages = static_cast<int>(Message::none);

// A program as a message carries it.
struct ProgramMessage
{
    int32_t index = 0;
    char name[CProgram::kNameCapacity] = {};
    float values[CProgram::kNumValues] = {};
};

struct MessageUrids
{
    LV2_URID message[kNumMessages] = {};
    LV2_URID index = 0, name = 0, values = 0, slot = 0, path = 0, text = 0;
    LV2_URID editName = 0, currentProgram = 0, program[kNumStoredPrograms] = {};
    LV2_URID atomChunk = 0, atomInt = 0, atomString = 0;
    LV2_Atom_Forge forge{};

    // All zero (no messages) without a map.
    void mapAll(const LV2_URID_Map* map)
    {
        if (!map)
            return;
        auto uri = [&](const char* text) { return map->map(map->handle, text); };
        for (int m = 0; m < kNumMessages; ++m)
            message[m] = uri(kMessageUris[m]);
        index = uri(kIndexUri);
        name = uri(kNameUri);
        values = uri(kValuesUri);
        slot = uri(kSlotUri);
        path = uri(kPathUri);
        text = uri(kTextUri);
        editName = uri(kEditNameStateUri);
        currentProgram = uri(kCurrentStateUri);
        for (int n = 1; n < kNumStoredPrograms; ++n)
            program[n] = uri((std::string(kProgramStateUriPrefix) + std::to_string(n)).c_str());
        lv2_atom_forge_init(&forge, const_cast<LV2_URID_Map*>(map));
        atomChunk = forge.Chunk;
        atomInt = forge.Int;
        atomString = forge.String;
    }
    bool mapped() const { return message[0] != 0; }

    Message kindOf(const LV2_Atom* atom) const
    {
        if (!mapped() || atom->type != forge.Object || atom->size < sizeof(LV2_Atom_Object_Body))
            return Message::none;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
        for (int m = 0; m < kNumMessages; ++m)
            if (object->body.otype == message[m])
                return static_cast<Message>(m);
        return Message::none;
    }

    // The properties a message may carry; absent ones stay null.
    struct Fields
    {
        const LV2_Atom* index = nullptr;
        const LV2_Atom* name = nullptr;
        const LV2_Atom* values = nullptr;
        const LV2_Atom* slot = nullptr;
        const LV2_Atom* path = nullptr;
        const LV2_Atom* text = nullptr;
    };
    Fields fieldsOf(const LV2_Atom* atom) const
    {
        Fields f;
        lv2_atom_object_get(reinterpret_cast<const LV2_Atom_Object*>(atom), index, &f.index, name, &f.name,
                            values, &f.values, slot, &f.slot, path, &f.path, text, &f.text, 0);
        return f;
    }

    // Checked readers: false when the property is absent or not that type.
    bool readInt(const LV2_Atom* atom, int32_t& out) const
    {
        if (!atom || atom->type != forge.Int || atom->size != sizeof(int32_t))
            return false;
        out = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
        return true;
    }
    // A string or path, cut to `capacity - 1` bytes.
    bool readText(const LV2_Atom* atom, char* out, size_t capacity) const
    {
        if (!atom || (atom->type != forge.String && atom->type != forge.Path) || atom->size == 0)
            return false;
        const char* body = static_cast<const char*>(LV2_ATOM_BODY_CONST(atom));
        const size_t length = strnlen(body, atom->size);
        const size_t kept = length < capacity ? length : capacity - 1;
        std::memcpy(out, body, kept);
        out[kept] = '\0';
        return true;
    }
    bool readProgram(const Fields& f, ProgramMessage& out) const
    {
        if (!readInt(f.index, out.index) || !readText(f.name, out.name, sizeof out.name) || !f.values ||
            f.values->type != forge.Vector)
            return false;
        const auto* vector = reinterpret_cast<const LV2_Atom_Vector*>(f.values);
        if (vector->body.child_type != forge.Float || vector->body.child_size != sizeof(float) ||
            vector->atom.size != sizeof(LV2_Atom_Vector_Body) + sizeof out.values)
            return false;
        std::memcpy(out.values, vector + 1, sizeof out.values);
        return true;
    }

    // Writers into the forge's buffer; each returns false when it ran out.
    bool writeProgram(Message kind, const ProgramMessage& program)
    {
        LV2_Atom_Forge_Frame frame;
        if (!lv2_atom_forge_object(&forge, &frame, 0, message[static_cast<int>(kind)]))
            return false;
        lv2_atom_forge_key(&forge, index);
        lv2_atom_forge_int(&forge, program.index);
        lv2_atom_forge_key(&forge, name);
        lv2_atom_forge_string(&forge, program.name, static_cast<uint32_t>(strnlen(program.name, sizeof program.name)));
        lv2_atom_forge_key(&forge, values);
        const bool written = lv2_atom_forge_vector(&forge, sizeof(float), forge.Float, CProgram::kNumValues,
                                                   program.values) != 0;
        lv2_atom_forge_pop(&forge, &frame);
        return written;
    }
    bool writeInt(Message kind, LV2_URID key, int32_t value)
    {
        LV2_Atom_Forge_Frame frame;
        if (!lv2_atom_forge_object(&forge, &frame, 0, message[static_cast<int>(kind)]))
            return false;
        lv2_atom_forge_key(&forge, key);
        const bool written = lv2_atom_forge_int(&forge, value) != 0;
        lv2_atom_forge_pop(&forge, &frame);
        return written;
    }
    // A message with one text property (`key` 0: none); `asPath` forges an atom:Path.
    bool writeText(Message kind, LV2_URID key, const char* value, bool asPath = false)
    {
        LV2_Atom_Forge_Frame frame;
        if (!lv2_atom_forge_object(&forge, &frame, 0, message[static_cast<int>(kind)]))
            return false;
        bool written = true;
        if (key)
        {
            lv2_atom_forge_key(&forge, key);
            const auto length = static_cast<uint32_t>(std::strlen(value));
            written = (asPath ? lv2_atom_forge_path(&forge, value, length)
                              : lv2_atom_forge_string(&forge, value, length)) != 0;
        }
        lv2_atom_forge_pop(&forge, &frame);
        return written;
    }
};
} // namespace lv2bundle
