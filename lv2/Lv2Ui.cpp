// The LV2 UI (ui:X11UI): the same editor and preset bar as the VST 2.4
// module, embedded in the host's window (ui:parent) and idled through
// ui:idleInterface. The editor needs an effect to edit, so the UI keeps an
// effect core of its own: what the editor sets there (knobs, fields,
// programs, memo recalls) reaches the plug-in as port writes, and port
// events from the host are set there and shown. Nothing is shared with the
// plug-in's instance but the ports. Program selection, renames and memo
// requests go to the plug-in as messages on its atom port (a selected
// program with its name and values). A bank or preset file the preset bar
// loads is read here, for the names the editor shows, and its path is sent
// so the plug-in loads the same file into its own store and reports the
// program it then selected; the plug-in's reports of its current program
// are shown and set on the ports. The meter ports feed
// the effect's meters, so the overload lamp follows the plug-in's output.
//
// Threads: every call arrives on the host's UI thread.
#include "CFrame.h"
#include "Corvanta.h"
#include "CorvantaEditor.h"
#include "Lv2Bundle.h"
#include "Lv2Features.h"
#include "Lv2Messages.h"
#include "MemoStore.h"
#include "PlatformWindow.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstring>

namespace
{
class Lv2Ui;

// The UI's effect core: what the preset bar asks of it is also sent to the
// plug-in.
class UiEffect : public Corvanta
{
public:
    UiEffect(audioMasterCallback callback, Lv2Ui& ui) : Corvanta(callback), ui(ui) {}
    void selectProgram(VstInt32 n) override;
    void renameProgram(const char* name) override;
    VstInt32 storeMemoA() override { return sendMemo(lv2bundle::Message::storeMemo, 0); }
    VstInt32 storeMemoB() override { return sendMemo(lv2bundle::Message::storeMemo, 1); }
    VstInt32 recallMemoA() override { return sendMemo(lv2bundle::Message::recallMemo, 0); }
    VstInt32 recallMemoB() override { return sendMemo(lv2bundle::Message::recallMemo, 1); }
    void programsReadFromFile(bool bank, const char* path) override;
    // A report of the plug-in's current program.
    void showCurrent(const lv2bundle::ProgramMessage& current);

private:
    VstInt32 sendMemo(lv2bundle::Message kind, int32_t slot);
    Lv2Ui& ui;
    // The plug-in was sent the file just read, so it selects the program
    // itself: the selection that follows the read is not sent.
    bool fileSent = false;
};

class Lv2Ui
{
public:
    Lv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2_Feature* const* features)
        : write(write), controller(controller), effect(hostCallback, *this)
    {
        const auto* map = static_cast<const LV2_URID_Map*>(lv2bundle::featureData(features, LV2_URID__map));
        urids.mapAll(map);
        eventTransfer = map ? map->map(map->handle, LV2_ATOM__eventTransfer) : 0;
        parent = const_cast<void*>(lv2bundle::featureData(features, LV2_UI__parent));
        resize = static_cast<const LV2UI_Resize*>(lv2bundle::featureData(features, LV2_UI__resize));
        // From here on the effect's host calls reach this UI.
        effect.getAeffect()->user = this;
        editor = createPlatformEditor(&effect, zoomOfScaleFactor(features));
    }

    ~Lv2Ui()
    {
        editor->close();
        effect.getAeffect()->user = nullptr;
    }

    // The editor's window inside the host's; null when it cannot open.
    void* open()
    {
        if (!parent || !editor->open(parent))
            return nullptr;
        announceSize();
        // The plug-in's program and name, which the ports do not carry.
        sendMessage([](lv2bundle::MessageUrids& u) { return u.writeText(lv2bundle::Message::report, 0, ""); });
        return widget();
    }

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        if (!buffer)
            return;
        if (port == lv2bundle::kNotifyOut && format != 0 && format == eventTransfer && size >= sizeof(LV2_Atom))
            return takeReport(static_cast<const LV2_Atom*>(buffer), size);
        if (format != 0 || size != sizeof(float))
            return;
        if (port == lv2bundle::kMeterLeft || port == lv2bundle::kMeterRight)
            return showMeter(port, *static_cast<const float*>(buffer));
        if (port >= lv2bundle::kNumControlPorts)
            return;
        float value = 0.0f;
        std::memcpy(&value, buffer, sizeof value);
        // setParameter tells the editor and never the host: the value is
        // shown, not sent back.
        effect.setParameter(static_cast<VstInt32>(port), value);
    }

    int idle()
    {
        editor->idle();
        return 0;
    }

    // Forges one message and writes it to the plug-in's atom port; false
    // without urid:map.
    template <typename Forge> bool sendMessage(const Forge& forgeMessage)
    {
        if (!urids.mapped())
            return false;
        lv2_atom_forge_set_buffer(&urids.forge, reinterpret_cast<uint8_t*>(message), sizeof message);
        if (!forgeMessage(urids))
            return false;
        const auto* atom = reinterpret_cast<const LV2_Atom*>(message);
        write(controller, lv2bundle::kControlIn, sizeof(LV2_Atom) + atom->size, eventTransfer, atom);
        return true;
    }

    void sendParameter(VstInt32 index, float value)
    {
        if (index < 0 || index >= static_cast<VstInt32>(lv2bundle::kNumControlPorts))
            return;
        write(controller, static_cast<uint32_t>(index), sizeof value, 0, &value);
    }

private:
    void takeReport(const LV2_Atom* atom, uint32_t size)
    {
        lv2bundle::ProgramMessage current;
        if (sizeof(LV2_Atom) + atom->size <= size && urids.kindOf(atom) == lv2bundle::Message::current &&
            urids.readProgram(urids.fieldsOf(atom), current))
            effect.showCurrent(current);
    }

    // The plug-in's peaks as the effect's own meters, one reading per pair.
    void showMeter(uint32_t port, float peak)
    {
        peaks[port - lv2bundle::kMeterLeft] = peak;
        if (port != lv2bundle::kMeterRight)
            return;
        meterReadings = static_cast<int32_t>(static_cast<uint32_t>(meterReadings) + 1u);
        effect.getEngine().meters.publish(peaks[0], peaks[1], meterReadings);
    }

    static VstIntPtr VSTCALLBACK hostCallback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*,
                                              float opt)
    {
        if (opcode == audioMasterVersion)
            return 2400;
        auto* ui = e ? static_cast<Lv2Ui*>(e->user) : nullptr;
        if (!ui)
            return 0;
        switch (opcode)
        {
        case audioMasterAutomate:
            ui->sendParameter(index, opt);
            return 0;
        case audioMasterSizeWindow:
            return ui->requestSize(index, static_cast<int>(value)) ? 1 : 0;
        default:
            return 0;
        }
    }

    // The editor asks for another size (a zoom level); a host without
    // ui:resize cannot give it.
    bool requestSize(int width, int height)
    {
        return resize && resize->ui_resize(resize->handle, width, height) == 0;
    }

    void announceSize()
    {
        ERect* area = nullptr;
        if (resize && editor->getRect(&area) && area)
            resize->ui_resize(resize->handle, area->right - area->left, area->bottom - area->top);
    }

    void* widget() const
    {
        CFrame* frame = editor->getFrame();
        PlatformWindow* window = frame ? frame->getPlatformWindow() : nullptr;
        return window ? window->getHandle() : nullptr;
    }

    // ui:scaleFactor as the nearest of the editor's levels; the editor's own
    // choice when the host passes none.
    static int zoomOfScaleFactor(const LV2_Feature* const* features)
    {
        const void* value = lv2bundle::optionValue(features, LV2_UI__scaleFactor, LV2_ATOM__Float, sizeof(float));
        if (!value)
            return CorvantaEditor::kFollowChoice;
        const float factor = *static_cast<const float*>(value);
        return factor < 1.25f ? 100 : factor < 1.75f ? 150 : 200;
    }

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    void* parent = nullptr;
    const LV2UI_Resize* resize = nullptr;
    UiEffect effect;
    CorvantaEditor* editor = nullptr; // owned by the effect
    lv2bundle::MessageUrids urids;
    LV2_URID eventTransfer = 0;
    uint64_t message[640] = {}; // one forged message, 8-byte aligned
    float peaks[2] = {};
    int32_t meterReadings = 0;
};

void UiEffect::selectProgram(VstInt32 n)
{
    Corvanta::selectProgram(n);
    if (fileSent)
    {
        fileSent = false;
        return;
    }
    const CProgram* program = getStoredProgram(n);
    if (!program)
        return;
    lv2bundle::ProgramMessage message;
    message.index = n;
    program->getName(message.name);
    for (int32_t i = 0; i < CProgram::kNumValues; ++i)
        message.values[i] = program->getParameter(i);
    ui.sendMessage([&](lv2bundle::MessageUrids& urids) {
        return urids.writeProgram(lv2bundle::Message::storeProgram, message);
    });
    ui.sendMessage([&](lv2bundle::MessageUrids& urids) {
        return urids.writeInt(lv2bundle::Message::select, urids.index, n);
    });
}

void UiEffect::programsReadFromFile(bool bank, const char* path)
{
    const auto kind = bank ? lv2bundle::Message::loadBank : lv2bundle::Message::loadPreset;
    fileSent = ui.sendMessage(
        [&](lv2bundle::MessageUrids& urids) { return urids.writeText(kind, urids.path, path, true); });
}

void UiEffect::renameProgram(const char* name)
{
    Corvanta::renameProgram(name);
    ui.sendMessage([&](lv2bundle::MessageUrids& urids) {
        return urids.writeText(lv2bundle::Message::rename, urids.name, name);
    });
}

VstInt32 UiEffect::sendMemo(lv2bundle::Message kind, int32_t slot)
{
    // The plug-in does the work and reports back; without the atom port the
    // memo is out of reach.
    const bool sent = ui.sendMessage(
        [&](lv2bundle::MessageUrids& urids) { return urids.writeInt(kind, urids.slot, slot); });
    return sent ? memo_status::kOk : memo_status::kPathNotFound;
}

void UiEffect::showCurrent(const lv2bundle::ProgramMessage& current)
{
    if (current.index >= 0 && current.index < kNumStoredPrograms)
        currentProgram = current.index;
    setCurrentProgramName(current.name);
    // Values the plug-in changed on its own (a memo recall, a file) are
    // shown and set on the host's ports.
    for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
    {
        const auto index = static_cast<VstInt32>(i);
        if (current.values[i] == getParameter(index))
            continue;
        setParameter(index, current.values[i]);
        ui.sendParameter(index, current.values[i]);
    }
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    try
    {
        auto* ui = new Lv2Ui(write, controller, features);
        *widget = ui->open();
        if (!*widget)
        {
            delete ui;
            return nullptr;
        }
        return ui;
    }
    catch (...)
    {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle ui)
{
    delete static_cast<Lv2Ui*>(ui);
}

void portEvent(LV2UI_Handle ui, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    static_cast<Lv2Ui*>(ui)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle ui)
{
    return static_cast<Lv2Ui*>(ui)->idle();
}

const LV2UI_Idle_Interface kIdleInterface = {idle};

const void* extensionData(const char* uri)
{
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdleInterface : nullptr;
}

const LV2UI_Descriptor kDescriptor = {lv2bundle::kUiUri, instantiate, cleanup, portEvent, extensionData};
} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
