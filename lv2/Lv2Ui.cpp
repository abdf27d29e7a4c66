// The LV2 UI (ui:X11UI): the same editor and preset bar as the VST 2.4
// module, embedded in the host's window (ui:parent) and idled through
// ui:idleInterface. The editor needs an effect to edit, so the UI keeps an
// effect core of its own: what the editor sets there (knobs, fields,
// programs, memo recalls) reaches the plug-in as port writes, and port
// events from the host are set there and shown. Nothing is shared with the
// plug-in's instance but the ports.
//
// Threads: every call arrives on the host's UI thread.
#include "CFrame.h"
#include "Corvanta.h"
#include "CorvantaEditor.h"
#include "Lv2Bundle.h"
#include "Lv2Features.h"
#include "PlatformWindow.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstring>

namespace
{
class Lv2Ui
{
public:
    Lv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2_Feature* const* features)
        : write(write), controller(controller), effect(hostCallback)
    {
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
        return widget();
    }

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
    {
        if (port >= lv2bundle::kNumControlPorts || format != 0 || size != sizeof(float) || !buffer)
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

private:
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

    void sendParameter(VstInt32 index, float value)
    {
        if (index < 0 || index >= static_cast<VstInt32>(lv2bundle::kNumControlPorts))
            return;
        write(controller, static_cast<uint32_t>(index), sizeof value, 0, &value);
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
    Corvanta effect;
    CorvantaEditor* editor = nullptr; // owned by the effect
};

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
