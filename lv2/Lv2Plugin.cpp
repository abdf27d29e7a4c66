// The LV2 plug-in: a thin adapter over the effect core. run() hands the
// control ports that changed to Corvanta::setParameter, exactly as a VST host
// would, then processes with Corvanta::processReplacing, so the sound and
// the kept values match the VST 2.4 module bit for bit. It publishes the
// output peaks on the meter ports, and passes the messages of the atom port
// (Lv2Messages.h) to the host's worker: program, memo and file work touches
// names and files, so it never runs in run(). A host without the worker
// extension has those requests refused.
//
// Threads: instantiate, activate, deactivate, cleanup and the state's
// restore run on the host's instantiation thread; connect_port, run and the
// worker's responses on its audio thread; the worker's work and the state's
// save on a thread of the host's other than the audio thread. A host may run
// the worker while it saves or restores, so those three take turns on one
// mutex (the programs' names and values are not atomic). run() neither
// allocates nor locks: the parameter path is atomics, the engine keeps its
// buffers from activate, and responses come as fixed-size records.
#include "CPresetFiles.h"
#include "Corvanta.h"
#include "Lv2Bundle.h"
#include "Lv2Features.h"
#include "Lv2Messages.h"
#include "MemoStore.h"
#include "PresetFileFormat.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

namespace
{
using lv2bundle::Message;

// A file chooser that answers with the path a message named, and a message
// display that keeps the text, so the preset bar's file code serves the
// worker unchanged.
struct GivenPath : CFileChooser, CMessageDisplay
{
    std::string path;
    std::string error;
    bool choose(const FileChooserRequest&, std::string& chosen) override
    {
        chosen = path;
        return true;
    }
    void showError(const char*, const char* text) override { error = text ? text : ""; }
};

// What the worker hands back to the audio thread: the current program and,
// for a refused request, why.
struct WorkResult
{
    lv2bundle::ProgramMessage current;
    char refusal[96] = {};
};

class Lv2Instance
{
public:
    Lv2Instance(double rate, const LV2_Feature* const* features) : effect(nullptr)
    {
        effect.setSampleRate(static_cast<float>(rate));
        effect.setBlockSize(announcedBlockLength(features, effect.getBlockSize()));
        // A port the host leaves at the bundle's default (the edit buffer's
        // value now) must not count as a change.
        for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
            applied[i] = effect.getParameter(static_cast<VstInt32>(i));
        urids.mapAll(static_cast<const LV2_URID_Map*>(lv2bundle::featureData(features, LV2_URID__map)));
        worker = static_cast<const LV2_Worker_Schedule*>(lv2bundle::featureData(features, LV2_WORKER__schedule));
        // The meters hold a peak for 50 ms, so a UI that reads the ports at
        // its own rate misses none.
        meterHoldFrames = static_cast<uint32_t>(rate / 20.0);
    }

    void connect(uint32_t port, void* data)
    {
        if (port < lv2bundle::kNumControlPorts)
            controls[port] = static_cast<const float*>(data);
        else if (port < lv2bundle::kAudioOutLeft)
            inputs[port - lv2bundle::kAudioInLeft] = static_cast<float*>(data);
        else if (port < lv2bundle::kMeterLeft)
            outputs[port - lv2bundle::kAudioOutLeft] = static_cast<float*>(data);
        else if (port < lv2bundle::kControlIn)
            meters[port - lv2bundle::kMeterLeft] = static_cast<float*>(data);
        else if (port == lv2bundle::kControlIn)
            messagesIn = static_cast<const LV2_Atom_Sequence*>(data);
        else if (port == lv2bundle::kNotifyOut)
            notify = static_cast<LV2_Atom_Sequence*>(data);
    }

    void run(uint32_t frames)
    {
        for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
        {
            if (!controls[i])
                continue;
            const float value = *controls[i];
            // Compared bit for bit: a value that did not change starts nothing
            // (a repeated Type would otherwise fade to the same algorithm).
            if (std::memcmp(&value, &applied[i], sizeof value) == 0)
                continue;
            applied[i] = value;
            effect.setParameter(static_cast<VstInt32>(i), value);
        }
        beginNotify();
        takeMessages();
        sendResults();
        endNotify();
        if (!inputs[0] || !inputs[1] || !outputs[0] || !outputs[1])
            return;
        effect.processReplacing(inputs, outputs, static_cast<VstInt32>(frames));
        publishMeters(frames);
    }

    void activate() { effect.resume(); }
    void deactivate() { effect.suspend(); }

    // Worker thread: one request the audio thread passed on.
    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                           const void* data)
    {
        if (size < sizeof(LV2_Atom))
            return LV2_WORKER_ERR_UNKNOWN;
        const auto* atom = static_cast<const LV2_Atom*>(data);
        if (sizeof(LV2_Atom) + atom->size > size)
            return LV2_WORKER_ERR_UNKNOWN;
        WorkResult result;
        {
            const std::lock_guard<std::mutex> turn(programsInUse);
            perform(urids.kindOf(atom), urids.fieldsOf(atom), result.refusal, sizeof result.refusal);
            reportCurrent(result.current);
        }
        return respond(handle, sizeof result, &result);
    }

    // Audio thread: a worker's result, sent on at the next run.
    void workResponse(uint32_t size, const void* data)
    {
        if (size != sizeof(WorkResult) || pendingCount == kMaxPending)
            return;
        std::memcpy(&pending[pendingCount++], data, sizeof(WorkResult));
    }

    // State: the edit buffer's name, the current program, and the programs
    // that differ from the factory bank as file records; the values of the
    // edit buffer travel as port values.
    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle)
    {
        if (!urids.mapped())
            return LV2_STATE_ERR_NO_FEATURE;
        const std::lock_guard<std::mutex> turn(programsInUse);
        const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        const CProgram* edit = effect.getStoredProgram(0);
        store(handle, urids.editName, edit->name(), std::strlen(edit->name()) + 1, urids.atomString, flags);
        const int32_t current = effect.getCurrentProgramIndex();
        store(handle, urids.currentProgram, &current, sizeof current, urids.atomInt, flags);
        for (int n = 1; n < kNumStoredPrograms; ++n)
        {
            const auto bytes = writePresetFile(recordOf(*effect.getStoredProgram(n)));
            if (!isFactoryProgram(n))
                store(handle, urids.program[n], bytes.data(), bytes.size(), urids.atomChunk, flags);
        }
        return LV2_STATE_SUCCESS;
    }

    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
    {
        if (!urids.mapped())
            return LV2_STATE_ERR_NO_FEATURE;
        const std::lock_guard<std::mutex> turn(programsInUse);
        effect.loadFactoryPrograms();
        for (int n = 1; n < kNumStoredPrograms; ++n)
        {
            size_t size = 0;
            uint32_t type = 0, flags = 0;
            const void* bytes = retrieve(handle, urids.program[n], &size, &type, &flags);
            ProgramRecord record;
            if (bytes && type == urids.atomChunk &&
                readPresetFile(static_cast<const uint8_t*>(bytes), size, record) == FileCheck::ok)
                applyRecord(record, *effect.getStoredProgram(n));
        }
        size_t size = 0;
        uint32_t type = 0, flags = 0;
        const void* current = retrieve(handle, urids.currentProgram, &size, &type, &flags);
        if (current && type == urids.atomInt && size == sizeof(int32_t))
            effect.restoreCurrentProgram(*static_cast<const int32_t*>(current));
        const void* name = retrieve(handle, urids.editName, &size, &type, &flags);
        if (name && type == urids.atomString && size > 0)
        {
            char text[CProgram::kNameCapacity] = {};
            std::memcpy(text, name, std::min(size - 1, sizeof text - 1));
            effect.getStoredProgram(0)->setName(text);
        }
        return LV2_STATE_SUCCESS;
    }

private:
    // Corvanta with the current program settable on its own, as a restore
    // needs: the values then come as port values.
    struct Effect : Corvanta
    {
        using Corvanta::Corvanta;
        void restoreCurrentProgram(int32_t n)
        {
            if (n >= 0 && n < kNumStoredPrograms)
                currentProgram = n;
        }
    };

    static constexpr int kMaxPending = 8;

    void beginNotify()
    {
        notifying = false;
        if (!notify || !urids.mapped())
            return;
        const uint32_t capacity = notify->atom.size;
        lv2_atom_forge_set_buffer(&urids.forge, reinterpret_cast<uint8_t*>(notify), capacity);
        notifying = lv2_atom_forge_sequence_head(&urids.forge, &notifyFrame, 0) != 0;
    }

    void endNotify()
    {
        if (notifying)
            lv2_atom_forge_pop(&urids.forge, &notifyFrame);
        else if (notify)
            notify->atom.size = sizeof(LV2_Atom_Sequence_Body); // an empty sequence
    }

    // Passes each request to the worker, or refuses it without one.
    void takeMessages()
    {
        if (!messagesIn || !urids.mapped())
            return;
        LV2_ATOM_SEQUENCE_FOREACH (messagesIn, event)
        {
            const Message kind = urids.kindOf(&event->body);
            if (kind == Message::none || kind == Message::current || kind == Message::refused)
                continue;
            if (!worker)
                sendRefusal("The host runs no worker for this request");
            else if (worker->schedule_work(worker->handle, sizeof(LV2_Atom) + event->body.size, &event->body) !=
                     LV2_WORKER_SUCCESS)
                sendRefusal("The host's worker is busy");
        }
    }

    void sendResults()
    {
        for (int k = 0; k < pendingCount; ++k)
        {
            if (pending[k].refusal[0])
                sendRefusal(pending[k].refusal);
            if (notifying)
            {
                lv2_atom_forge_frame_time(&urids.forge, 0);
                urids.writeProgram(Message::current, pending[k].current);
            }
        }
        pendingCount = 0;
    }

    void sendRefusal(const char* text)
    {
        if (!notifying)
            return;
        lv2_atom_forge_frame_time(&urids.forge, 0);
        urids.writeText(Message::refused, urids.text, text);
    }

    void publishMeters(uint32_t frames)
    {
        const MeterReading reading = effect.getEngine().meters.read();
        if (meters[0])
            *meters[0] = reading.peakL;
        if (meters[1])
            *meters[1] = reading.peakR;
        framesSinceClear += frames;
        if (framesSinceClear >= meterHoldFrames)
        {
            effect.getEngine().meters.requestClear(reading);
            framesSinceClear = 0;
        }
    }

    // Worker thread: does what the message asks; a refusal's text goes to `refusal`.
    void perform(Message kind, const lv2bundle::MessageUrids::Fields& f, char* refusal, size_t capacity)
    {
        auto refuse = [&](const char* text) { std::snprintf(refusal, capacity, "%s", text); };
        int32_t number = 0;
        char text[4096] = {};
        switch (kind)
        {
        case Message::select:
            if (urids.readInt(f.index, number) && number >= 0 && number < kNumStoredPrograms)
                effect.selectProgram(number);
            else
                refuse("No such program");
            return;
        case Message::rename:
            if (urids.readText(f.name, text, CProgram::kNameCapacity))
                effect.renameProgram(text);
            return;
        case Message::storeProgram:
        {
            lv2bundle::ProgramMessage program;
            if (urids.readProgram(f, program) && program.index >= 0 && program.index < kNumStoredPrograms)
            {
                CProgram* target = effect.getStoredProgram(program.index);
                target->setName(program.name);
                for (int32_t i = 0; i < CProgram::kNumValues; ++i)
                    target->setParameter(i, program.values[i]);
            }
            else
                refuse("No such program");
            return;
        }
        case Message::storeMemo:
        case Message::recallMemo:
        {
            if (!urids.readInt(f.slot, number) || (number != 0 && number != 1))
                return refuse("No such memo slot");
            const bool store = kind == Message::storeMemo;
            const int32_t status = number == 0 ? (store ? effect.storeMemoA() : effect.recallMemoA())
                                               : (store ? effect.storeMemoB() : effect.recallMemoB());
            if (status != memo_status::kOk)
                std::snprintf(refusal, capacity, "Memo %s failed (error %d)", store ? "store" : "recall",
                              static_cast<int>(status));
            return;
        }
        case Message::loadBank:
        case Message::saveBank:
        case Message::loadPreset:
        case Message::savePreset:
        {
            GivenPath given;
            if (!urids.readText(f.path, text, sizeof text) || !text[0])
                return refuse("No file named");
            given.path = text;
            CPresetFiles files(&effect, given, given);
            const bool done = kind == Message::loadBank     ? files.loadBank()
                              : kind == Message::saveBank   ? files.saveBank()
                              : kind == Message::loadPreset ? files.loadPreset()
                                                            : files.savePreset();
            if (!done)
                refuse(given.error.empty() ? "The file cannot be opened" : given.error.c_str());
            return;
        }
        default:
            return;
        }
    }

    void reportCurrent(lv2bundle::ProgramMessage& current)
    {
        current.index = effect.getCurrentProgramIndex();
        const CProgram* edit = effect.getStoredProgram(0);
        edit->getName(current.name);
        for (int32_t i = 0; i < CProgram::kNumValues; ++i)
            current.values[i] = effect.getParameter(i);
    }

    bool isFactoryProgram(int n)
    {
        const CProgram* program = effect.getStoredProgram(n);
        if (std::strncmp(program->name(), kFactoryBank[n].name, CProgram::kMaxNameLength) != 0)
            return false;
        for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        {
            CProgram factory;
            factory.setParameter(i, static_cast<float>(kFactoryBank[n].values[i]));
            if (program->getParameter(i) != factory.getParameter(i))
                return false;
        }
        return true;
    }

    // The host's nominal block length, else its largest, else `fallback`.
    static VstInt32 announcedBlockLength(const LV2_Feature* const* features, VstInt32 fallback)
    {
        for (const char* key : {LV2_BUF_SIZE__nominalBlockLength, LV2_BUF_SIZE__maxBlockLength})
        {
            const void* value = lv2bundle::optionValue(features, key, LV2_ATOM__Int, sizeof(int32_t));
            if (value && *static_cast<const int32_t*>(value) > 0)
                return *static_cast<const int32_t*>(value);
        }
        return fallback;
    }

    Effect effect;
    std::mutex programsInUse; // work, save and restore; never run
    const float* controls[lv2bundle::kNumControlPorts] = {};
    float applied[lv2bundle::kNumControlPorts] = {};
    float* inputs[2] = {};
    float* outputs[2] = {};
    float* meters[2] = {};
    uint32_t meterHoldFrames = 0;
    uint32_t framesSinceClear = 0;

    lv2bundle::MessageUrids urids;
    const LV2_Worker_Schedule* worker = nullptr;
    const LV2_Atom_Sequence* messagesIn = nullptr;
    LV2_Atom_Sequence* notify = nullptr;
    LV2_Atom_Forge_Frame notifyFrame{};
    bool notifying = false;
    WorkResult pending[kMaxPending];
    int pendingCount = 0;
};

Lv2Instance* self(LV2_Handle instance)
{
    return static_cast<Lv2Instance*>(instance);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    try
    {
        return new Lv2Instance(rate, features);
    }
    catch (...)
    {
        return nullptr;
    }
}

void connectPort(LV2_Handle instance, uint32_t port, void* data)
{
    self(instance)->connect(port, data);
}

void activate(LV2_Handle instance)
{
    self(instance)->activate();
}

void run(LV2_Handle instance, uint32_t frames)
{
    self(instance)->run(frames);
}

void deactivate(LV2_Handle instance)
{
    self(instance)->deactivate();
}

void cleanup(LV2_Handle instance)
{
    delete self(instance);
}

LV2_Worker_Status work(LV2_Handle instance, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                       uint32_t size, const void* data)
{
    return self(instance)->work(respond, handle, size, data);
}

LV2_Worker_Status workResponse(LV2_Handle instance, uint32_t size, const void* data)
{
    self(instance)->workResponse(size, data);
    return LV2_WORKER_SUCCESS;
}

LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*)
{
    return self(instance)->save(store, handle);
}

LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*)
{
    return self(instance)->restore(retrieve, handle);
}

const LV2_Worker_Interface kWorker = {work, workResponse, nullptr};
const LV2_State_Interface kState = {save, restore};

const void* extensionData(const char* uri)
{
    if (std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &kWorker;
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &kState;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {lv2bundle::kPluginUri, instantiate, connectPort, activate, run,
                                    deactivate,            cleanup,     extensionData};
} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
