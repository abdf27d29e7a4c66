#include "CorvantaEditor.h"

#include "BitmapIds.h"
#include "CAbout.h"
#include "Corvanta.h"
#include "CustomControls.h"
#include "Toolkit.h"
#include "ValueFields.h"
#include "ValueText.h"
#include "ZoomSetting.h"

#include <cmath>
#include <cstdlib>

namespace
{
constexpr long kKnobImages = 51;
constexpr long kTypeCount = 9;
constexpr CColor kFieldBackColor{237, 235, 213, 255};
constexpr CColor kFieldTextColor{75, 75, 80, 255};

// Where each knob sits and which value field goes under it.
struct KnobPlace
{
    VstInt32 parameter;
    long bitmap;
    CPoint topLeft;
    bool large; // the 57-pixel knobs have narrower fields
};

constexpr KnobPlace kDecayKnob{kDecay, kDecayKnobBitmap, {39, 42}, true};
constexpr KnobPlace kHighDampKnob{kHighDamp, kHighDampKnobBitmap, {204, 42}, true};
constexpr KnobPlace kLowGainKnob{kLowGain, kLowKnobBitmap, {48, 126}, false};
constexpr KnobPlace kLowFreqKnob{kLowFreq, kLowKnobBitmap, {103, 126}, false};
constexpr KnobPlace kHighGainKnob{kHighGain, kHighKnobBitmap, {213, 126}, false};
constexpr KnobPlace kHighFreqKnob{kHighFreq, kHighKnobBitmap, {158, 126}, false};
constexpr KnobPlace kMixKnob{kMix, kMixKnobBitmap, {103, 195}, false};
constexpr KnobPlace kOutputKnob{kOutput, kOutputKnobBitmap, {158, 195}, false};

const CRect kPreDelayFieldRect{242, 176, 274, 187};
const CRect kTypeListRect{94, 103, 207, 113};
const CRect kPreDelaySliderRect{45, 177, 240, 186};
const CRect kAboutZoneRect{24, 4, 276, 20};
const CRect kLampReadoutRect{210, 229, 255, 242};
constexpr CPoint kTypeRockerTopLeft{120, 43};
constexpr CPoint kTypePictureTopLeft{118, 63};
constexpr CPoint kPowerTopLeft{50, 202};
constexpr CPoint kLampTopLeft{226, 209};
constexpr CPoint kAboutTextAnchor{85, 181};
constexpr float kLampStart = 0.00001f;

// A control of `images` stacked images at `topLeft`, sized by its bitmap at
// 100 % (panel pixels).
CRect imageRect(long bitmapId, CPoint topLeft, long images)
{
    const CPoint size = CBitmap::resourceSize(bitmapId);
    return CRect(topLeft.h, topLeft.v, topLeft.h + size.h, topLeft.v + size.v / images);
}

const char* const kZoomMenuEntries[] = {"Zoom 100%", "Zoom 150%", "Zoom 200%"};

CRect fieldRectUnder(const CRect& knob, bool large)
{
    return large ? CRect(knob.left + 8, knob.bottom, knob.left + 50, knob.bottom + 11)
                 : CRect(knob.left - 4, knob.bottom, knob.left + 44, knob.bottom + 11);
}

long typeEntryOf(float value)
{
    return static_cast<long>(value * static_cast<float>(kTypeCount));
}
} // namespace

CorvantaEditor::CorvantaEditor(AudioEffect* owner, int zoomLevel)
    : CPresetSystemEditor(owner), corvanta(dynamic_cast<Corvanta*>(owner)),
      fixedZoom(isZoomLevel(zoomLevel) ? zoomLevel : kFollowChoice)
{
    const CPoint size = CBitmap::resourceSize(kPanelBitmap);
    panelSize = size;
    takeZoom(preferredZoom(nullptr));
    std::srand(32767);
}

CorvantaEditor::~CorvantaEditor()
{
    if (frame)
        close();
    panel->forget();
}

int CorvantaEditor::preferredZoom(void* parentWindow) const
{
    if (fixedZoom != kFollowChoice)
        return fixedZoom;
    if (const int chosen = loadZoomChoice())
        return chosen;
    return screenZoom(parentWindow);
}

void CorvantaEditor::takeZoom(int percent)
{
    if (panel && percent == zoom)
        return;
    setZoomLevel(percent);
    if (panel)
        panel->forget();
    panel = new CBitmap(zoomedBitmapId(kPanelBitmap, zoom));
}

bool CorvantaEditor::getRect(ERect** result)
{
    // Before the window exists the level follows the choice and the system's screen.
    if (!frame)
        takeZoom(preferredZoom(nullptr));
    return AEffGUIEditor::getRect(result);
}

bool CorvantaEditor::setZoom(int percent)
{
    if (!isZoomLevel(percent))
        return false;
    if (percent == zoom)
        return true;
    if (!frame)
    {
        takeZoom(percent);
        return true;
    }
    const CRect size = zoomRect(CRect(0, 0, panelSize.h, panelSize.v), percent);
    auto* host = dynamic_cast<AudioEffectX*>(effect);
    if (!host || !host->sizeWindow(static_cast<VstInt32>(size.width()), static_cast<VstInt32>(size.height())))
        return false;
    // The whole panel is built again at the new level in the same window.
    void* parent = systemWindow;
    close();
    takeZoom(percent);
    build(parent);
    return true;
}

void CorvantaEditor::chooseZoom(int percent)
{
    pendingZoom = percent;
    pendingIsChoice = true;
}

void CorvantaEditor::screenZoomChanged(int percent)
{
    if (fixedZoom == kFollowChoice && !loadZoomChoice())
    {
        pendingZoom = percent;
        pendingIsChoice = false;
    }
}

void CorvantaEditor::applyPendingZoom()
{
    const int percent = pendingZoom;
    const bool choice = pendingIsChoice;
    pendingZoom = 0;
    if (!percent || !setZoom(percent) || !choice)
        return;
    // An editor made for one level (a host of its own passes it) stores nothing.
    if (fixedZoom == kFollowChoice)
        saveZoomChoice(percent);
}

void CorvantaEditor::backgroundRightClicked(const CPoint& where)
{
    if (!frame || !zoomMenu || frame->getModalView())
        return;
    zoomMenu->setViewSize(CRect(where.h, where.v, where.h + 1, where.v + 1));
    for (int i = 0; i < kZoomLevelCount; ++i)
        if (kZoomLevels[i] == zoom)
            zoomMenu->setCurrent(i);
    auto* popup = new COptionMenuPopup(zoomMenu, frame->getViewSize(), zoom);
    if (!frame->setModalView(popup))
        popup->forget();
}

CControl* CorvantaEditor::getControl(long tag) const
{
    if (tag >= kDecay && tag <= kOutput)
        return knobs[tag];
    if (const ValueField* field = valueFieldOfTag(tag))
        return fields[field->parameter];
    switch (tag)
    {
    case kPower:
        return powerSwitch;
    case kType:
        return typeRocker;
    case kPreDelay:
        return preDelaySlider;
    case kLampTag:
        return lamp;
    case kTypeListTag:
        return typeList;
    case kAboutTag:
        return about;
    case kNameFieldTag:
        return getNameField();
    case kProgramListTag:
        return getProgramList();
    default:
        return nullptr;
    }
}

bool CorvantaEditor::open(void* parentWindow)
{
    if (frame)
        close();
    // Values set on other threads until now are in the controls built below.
    pendingMask = 0;
    pendingZoom = 0;
    // The window's own screen decides now; a host that sized its window from
    // an earlier answer is asked for the new size, and keeps the old level if it refuses.
    if (const int preferred = preferredZoom(parentWindow); preferred != zoom && parentWindow)
    {
        const CRect size = zoomRect(CRect(0, 0, panelSize.h, panelSize.v), preferred);
        auto* host = dynamic_cast<AudioEffectX*>(effect);
        if (host && host->sizeWindow(static_cast<VstInt32>(size.width()), static_cast<VstInt32>(size.height())))
            takeZoom(preferred);
    }
    return build(parentWindow);
}

bool CorvantaEditor::build(void* parentWindow)
{
    systemWindow = parentWindow;
    frame = new CFrame(CRect(rect.left, rect.top, rect.left + panel->getWidth(), rect.top + panel->getHeight()),
                       parentWindow, this);
    if (parentWindow && getPlatformWindowFactory() && !frame->getPlatformWindow())
    {
        // The window system refused the host's window: nothing is open.
        delete frame;
        frame = nullptr;
        systemWindow = nullptr;
        return false;
    }
    frame->setBackground(panel);
    setKnobMode(kLinearMode);

    auto parameter = [this](VstInt32 index) { return effect ? effect->getParameter(index) : 0.0f; };
    // Places are given at 100 %; controls sit at the zoom level.
    auto z = [this](const CRect& place) { return zoomRect(place, zoom); };
    auto load = [this](long bitmapId) { return new CBitmap(zoomedBitmapId(bitmapId, zoom)); };
    auto addField = [&](VstInt32 index, const CRect& place) {
        const CRect size = z(place);
        auto* field = new CTextEdit(size, this, valueFieldOfParameter(index)->tag, nullptr, panel, 0);
        field->setBackOffset(CPoint(size.left, size.top));
        field->setBackColor(kFieldBackColor);
        field->setFrameColor(kFieldTextColor);
        field->setFontColor(kFieldTextColor);
        field->setHoriAlign(kCenterText);
        field->setFont(kNormalFontVerySmall);
        char text[kFieldTextCapacity] = {};
        formatFieldText(index, parameter(index), text);
        field->setText(text);
        const DisplayRange* range = displayRange(index);
        field->setMin(static_cast<float>(range->minimum));
        field->setMax(static_cast<float>(range->maximum));
        frame->addView(field);
        fields[index] = field;
    };
    // A shared knob bitmap is passed in; otherwise the knob loads its own.
    auto addKnob = [&](const KnobPlace& place, CBitmap* shared = nullptr) {
        CBitmap* bitmap = shared ? shared : load(place.bitmap);
        const CRect unzoomed = imageRect(place.bitmap, place.topLeft, kKnobImages);
        const CRect size = z(unzoomed);
        auto* knob = new CAnimKnob(size, this, place.parameter, kKnobImages, size.height(), bitmap,
                                   CPoint(size.left, size.top));
        knob->setValue(parameter(place.parameter));
        knob->setDefaultValue(parameterInfo(place.parameter).resetValue);
        frame->addView(knob);
        knobs[place.parameter] = knob;
        addField(place.parameter, fieldRectUnder(unzoomed, place.large));
        return bitmap;
    };

    addKnob(kDecayKnob)->forget();
    addKnob(kHighDampKnob)->forget();

    const float type = parameter(kType);
    auto* rockerBitmap = load(kTypeRockerBitmap);
    const CRect rockerRect = z(imageRect(kTypeRockerBitmap, kTypeRockerTopLeft, 3));
    typeRocker = new CMyRocker(rockerRect, this, kType, rockerRect.height(), rockerBitmap, CPoint(0, 0), kTypeCount,
                               kHorizontal);
    typeRocker->setValue(type);
    typeRocker->setDefaultValue(parameterInfo(kType).resetValue);
    frame->addView(typeRocker);
    rockerBitmap->forget();

    const CRect listRect = z(kTypeListRect);
    typeList = new COptionMenu(listRect, this, kTypeListTag, panel, nullptr, kCheckStyle);
    typeList->setBackOffset(CPoint(listRect.left, listRect.top));
    typeList->setHoriAlign(kCenterText);
    typeList->setFont(kNormalFontVerySmall);
    typeList->setFontColor(kFieldTextColor);
    typeList->setFrameColor(kFieldTextColor);
    for (int32_t t = 0; t < kTypeCount; ++t)
        typeList->addEntry(typeName(t));
    typeList->setValue(static_cast<float>(typeEntryOf(type)));
    typeList->setCurrent(typeEntryOf(type), true);
    frame->addView(typeList);

    auto* pictures = load(kTypePicturesBitmap);
    const CRect pictureRect = z(imageRect(kTypePicturesBitmap, kTypePictureTopLeft, kTypeCount));
    typePicture = new CMovieBitmap(pictureRect, this, kType, kTypeCount, pictureRect.height(), pictures, CPoint(0, 0));
    typePicture->setTransparency(true);
    typePicture->setMouseEnabled(false);
    typePicture->setValue(type * 9.0f * 0.125f);
    frame->addView(typePicture);
    pictures->forget();

    auto* handle = load(kSliderHandleBitmap);
    const CRect slider = z(kPreDelaySliderRect);
    preDelaySlider = new CHorizontalSlider(slider, this, kPreDelay, slider.left, slider.right - handle->getWidth(),
                                           handle, panel, CPoint(slider.left, slider.top), kLeft);
    preDelaySlider->setFreeClick(false);
    preDelaySlider->setValue(parameter(kPreDelay));
    preDelaySlider->setDefaultValue(parameterInfo(kPreDelay).resetValue);
    frame->addView(preDelaySlider);
    handle->forget();
    addField(kPreDelay, kPreDelayFieldRect);

    // The two knobs of a shelf share one bitmap.
    addKnob(kLowFreqKnob, addKnob(kLowGainKnob))->forget();
    addKnob(kHighFreqKnob, addKnob(kHighGainKnob))->forget();
    addKnob(kMixKnob)->forget();
    addKnob(kOutputKnob)->forget();

    auto* power = load(kPowerBitmap);
    powerSwitch = new COnOffButton(z(imageRect(kPowerBitmap, kPowerTopLeft, 2)), this, kPower, power, 0);
    powerSwitch->setValue(parameter(kPower));
    frame->addView(powerSwitch);
    power->forget();

    auto* lampBitmap = load(kOverloadLampBitmap);
    lamp = new CTextLED(z(imageRect(kOverloadLampBitmap, kLampTopLeft, 3)), this, kLampTag, panel, lampBitmap,
                        z(kLampReadoutRect));
    lamp->setStateAndLevel(kLampStart, kLampStart);
    frame->addView(lamp);
    lampBitmap->forget();

    auto* splash = load(kAboutBitmap);
    about = new CAbout(z(kAboutZoneRect), this, kAboutTag, splash, CRect(0, 0, splash->getWidth(), splash->getHeight()),
                       CPoint(0, 0), zoomPoint(kAboutTextAnchor, zoom));
    frame->addView(about);
    splash->forget();

    CPresetSystemEditor::open(parentWindow);

    // The background's menu of zoom levels; not a view of the panel.
    zoomMenu = new COptionMenu(CRect(), this, kZoomMenuTag, nullptr, nullptr, kCheckStyle | kNoDrawStyle);
    zoomMenu->setFont(kNormalFontSmall);
    for (const char* entry : kZoomMenuEntries)
        zoomMenu->addEntry(entry);
    return true;
}

void CorvantaEditor::close()
{
    CPresetSystemEditor::close();
    for (auto& knob : knobs)
        knob = nullptr;
    for (auto& field : fields)
        field = nullptr;
    typeRocker = nullptr;
    typeList = nullptr;
    typePicture = nullptr;
    preDelaySlider = nullptr;
    powerSwitch = nullptr;
    lamp = nullptr;
    about = nullptr;
    pendingZoom = 0;
    // Deletes the frame and with it every control (and a shown zoom menu's pop-up).
    AEffGUIEditor::close();
    if (zoomMenu)
        zoomMenu->forget();
    zoomMenu = nullptr;
}

void CorvantaEditor::idle()
{
    takePendingParameters();
    takePendingProgramName();
    AEffGUIEditor::idle();
    CPresetSystemEditor::idle();
    // The panel may be built anew here, outside the frame's own calls.
    applyPendingZoom();
    if (!corvanta)
        return;
    ReverbEngine& engine = corvanta->getEngine();
    const float over = peakHold.update(engine.meters, engine.meterHoldBlocks.load(std::memory_order_relaxed));
    if (lamp && !(about && about->getValue() != 0.0f))
    {
        lamp->setStateAndLevel(over, static_cast<float>(peakHold.heldPeak));
        // A new tiny value each time, so the lamp is drawn at every idle.
        lamp->setValue(static_cast<float>(std::rand()) * 1e-15f);
    }
}

void CorvantaEditor::setParameter(VstInt32 index, float value)
{
    if (index < 0 || index >= kNumParameterSlots)
        return;
    if (!onEditorThread())
    {
        pendingValues[index].store(value, std::memory_order_relaxed);
        pendingMask.fetch_or(1u << index, std::memory_order_release);
        return;
    }
    showParameter(index, value);
}

void CorvantaEditor::takePendingParameters()
{
    uint32_t mask = pendingMask.exchange(0, std::memory_order_acquire);
    for (VstInt32 index = 0; mask; ++index, mask >>= 1)
        if (mask & 1u)
            showParameter(index, pendingValues[index].load(std::memory_order_relaxed));
}

void CorvantaEditor::showParameter(VstInt32 index, float value)
{
    if (!frame || !effect)
        return;
    const float kept = effect->getParameter(index);
    char text[kFieldTextCapacity] = {};
    switch (index)
    {
    case kPower:
        if (powerSwitch)
            powerSwitch->setValue(kept);
        break;
    case kType:
        if (typeRocker)
            typeRocker->setValue(kept);
        if (typeList)
        {
            typeList->setValue(value * static_cast<float>(kTypeCount));
            typeList->setCurrent(typeEntryOf(value), true);
        }
        if (typePicture)
            typePicture->setValue(value * 9.0f * 0.125f);
        break;
    case kPreDelay:
    case kDecay:
    case kHighDamp:
    case kLowFreq:
    case kLowGain:
    case kHighFreq:
    case kHighGain:
    case kMix:
    case kOutput:
        if (CControl* control = index == kPreDelay ? static_cast<CControl*>(preDelaySlider) : knobs[index])
            control->setValue(kept);
        if (fields[index])
        {
            formatFieldText(index, kept, text);
            fields[index]->setText(text);
        }
        break;
    default:
        return;
    }
    frame->setDirty(true);
}

void CorvantaEditor::valueChanged(CDrawContext* context, CControl* control)
{
    CPresetSystemEditor::valueChanged(context, control);
    if (!effect || !control)
        return;
    const long tag = control->getTag();
    if ((tag >= kPower && tag <= kOutput) || tag == kDiffusion)
    {
        effect->setParameterAutomated(static_cast<VstInt32>(tag), control->getValue());
        control->setDirty(true);
        return;
    }
    if (const ValueField* field = valueFieldOfTag(tag))
    {
        CTextEdit* edit = fields[field->parameter];
        if (edit != control)
            return;
        const float x = typedValueToNormalized(field->parameter, edit->getText(), edit->getMin(), edit->getMax());
        effect->setParameterAutomated(field->parameter, x);
        control->setDirty(true);
        return;
    }
    switch (tag)
    {
    case kZoomMenuTag:
        if (zoomMenu == control && zoomMenu->getCurrent() >= 0 && zoomMenu->getCurrent() < kZoomLevelCount)
            chooseZoom(kZoomLevels[zoomMenu->getCurrent()]);
        break;
    case kLampTag:
        if (lamp && lamp->isHeld())
            lamp->resetHold();
        peakHold.heldPeak = 0.0;
        break;
    case kTypeListTag:
        if (typeList)
            effect->setParameterAutomated(kType, typeList->getValue() / static_cast<float>(kTypeCount) + 0.01f);
        break;
    default:
        break;
    }
}

void CorvantaEditor::beginEdit(VstInt32 index)
{
    if (index >= 0 && index < kNumHostParameters)
        AEffGUIEditor::beginEdit(index);
}

void CorvantaEditor::endEdit(VstInt32 index)
{
    if (index >= 0 && index < kNumHostParameters)
        AEffGUIEditor::endEdit(index);
}
