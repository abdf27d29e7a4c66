#include "PanelFixture.h"

#include "BitmapIds.h"

namespace
{
const char* const kTypeNames[] = {"Ambience", "Room", "Chamber", "Club", "Hall", "Arena", "Cathedral", "Spring",
                                  "Plate"};

CTextEdit* valueField(CFrame& frame, RecordingListener& listener, long tag, const CRect& rect, CBitmap* panel,
                      const char* text)
{
    auto* field = new CTextEdit(rect, &listener, tag, text, panel, 0);
    field->setBackOffset(CPoint(rect.left, rect.top));
    field->setBackColor({237, 235, 213, 255});
    field->setFrameColor({75, 75, 80, 255});
    field->setFontColor({75, 75, 80, 255});
    field->setHoriAlign(kCenterText);
    field->setFont(kNormalFontVerySmall);
    frame.addView(field);
    return field;
}

CAnimKnob* knob(CFrame& frame, RecordingListener& listener, long tag, long bitmapId, const CRect& rect, float value)
{
    auto* bitmap = new CBitmap(bitmapId);
    const long height = rect.height();
    auto* control = new CAnimKnob(rect, &listener, tag, 51, height, bitmap, CPoint(rect.left, rect.top));
    control->setValue(value);
    frame.addView(control);
    bitmap->forget();
    return control;
}
} // namespace

std::unique_ptr<CFrame> buildPanel(RecordingListener& listener, PanelControls& c, AEffGUIEditor* editor,
                                   void* parentWindow)
{
    auto* panel = new CBitmap(kPanelBitmap);
    auto frame = std::make_unique<CFrame>(CRect(0, 0, panel->getWidth(), panel->getHeight()), parentWindow, editor);
    frame->setBackground(panel);
    CFrame& f = *frame;

    c.decay = knob(f, listener, 3, kDecayKnobBitmap, {39, 42, 96, 99}, 0.5f);
    c.decayField = valueField(f, listener, 22, {47, 99, 89, 110}, panel, "50%");
    knob(f, listener, 4, kHighDampKnobBitmap, {204, 42, 261, 99}, 0.2f);
    valueField(f, listener, 23, {212, 99, 254, 110}, panel, "20%");

    auto* rockerBitmap = new CBitmap(kTypeRockerBitmap);
    c.typeRocker = new CMyRocker({120, 43, 181, 63}, &listener, 1, 20, rockerBitmap, CPoint(0, 0), 9, kHorizontal);
    c.typeRocker->setValue(0.5f);
    f.addView(c.typeRocker);
    rockerBitmap->forget();

    c.typeList = new COptionMenu({94, 103, 207, 113}, &listener, 19, panel, nullptr, kCheckStyle);
    c.typeList->setBackOffset(CPoint(94, 103));
    c.typeList->setFont(kNormalFontVerySmall);
    c.typeList->setFontColor({75, 75, 80, 255});
    c.typeList->setFrameColor({75, 75, 80, 255});
    for (const char* name : kTypeNames)
        c.typeList->addEntry(name);
    c.typeList->setValue(4.0f);
    c.typeList->setCurrent(4);
    f.addView(c.typeList);

    auto* pictures = new CBitmap(kTypePicturesBitmap);
    c.typePicture = new CMovieBitmap({118, 63, 182, 103}, &listener, 1, 9, 40, pictures, CPoint(0, 0));
    c.typePicture->setTransparency(true);
    c.typePicture->setValue(0.5f);
    f.addView(c.typePicture);
    pictures->forget();

    auto* handle = new CBitmap(kSliderHandleBitmap);
    c.preDelay = new CHorizontalSlider({45, 177, 240, 186}, &listener, 2, 45, 219, handle, panel, CPoint(45, 177),
                                       kLeft);
    c.preDelay->setFreeClick(false);
    c.preDelay->setValue(0.3f);
    f.addView(c.preDelay);
    handle->forget();
    valueField(f, listener, 20, {242, 176, 274, 187}, panel, "90ms");

    const char* row2Texts[] = {"0.00dB", "112Hz", "1.60kHz", "0.00dB"};
    const long row2Tags[] = {6, 5, 7, 8};
    const long row2Bitmaps[] = {kLowKnobBitmap, kLowKnobBitmap, kHighKnobBitmap, kHighKnobBitmap};
    const long row2Left[] = {48, 103, 158, 213};
    for (int i = 0; i < 4; ++i)
    {
        CAnimKnob* k = knob(f, listener, row2Tags[i], row2Bitmaps[i],
                            {row2Left[i], 126, row2Left[i] + 39, 165}, i == 1 ? 0.25f : 0.5f);
        if (i == 0)
            c.lowGain = k;
        valueField(f, listener, 25 + i, {row2Left[i] - 4, 165, row2Left[i] + 44, 176}, panel, row2Texts[i]);
    }
    knob(f, listener, 9, kMixKnobBitmap, {103, 195, 142, 234}, 0.5f);
    valueField(f, listener, 30, {99, 234, 147, 245}, panel, "50%");
    knob(f, listener, 10, kOutputKnobBitmap, {158, 195, 197, 234}, 0.5f);
    valueField(f, listener, 29, {154, 234, 202, 245}, panel, "0.00dB");

    auto* power = new CBitmap(kPowerBitmap);
    c.power = new COnOffButton({50, 202, 85, 228}, &listener, 0, power, 0);
    c.power->setValue(1.0f);
    f.addView(c.power);
    power->forget();

    auto* lampBitmap = new CBitmap(kOverloadLampBitmap);
    c.lamp = new CTextLED({226, 209, 239, 222}, &listener, 18, panel, lampBitmap, {210, 229, 255, 242});
    c.lamp->setStateAndLevel(0.00001f, 0.00001);
    f.addView(c.lamp);
    lampBitmap->forget();

    auto* aboutBitmap = new CBitmap(kAboutBitmap);
    c.about = new CAbout({24, 4, 276, 20}, &listener, 31, aboutBitmap, {0, 0, 300, 262}, CPoint(0, 0),
                         CPoint(85, 181));
    f.addView(c.about);
    aboutBitmap->forget();

    // The preset bar, for a panel 294 high.
    c.nameField = new CTextEdit({89, 270, 205, 285}, &listener, 32, "Large Hall", panel, 0);
    c.nameField->setBackOffset(CPoint(89, 270));
    c.nameField->setBackColor({207, 222, 235, 255});
    c.nameField->setFont(kNormalFontSmall);
    c.nameField->setFontColor({76, 76, 72, 255});
    c.nameField->setFrameColor({76, 76, 72, 255});
    f.addView(c.nameField);

    c.programList = new COptionMenu({207, 270, 215, 285}, &listener, 38, nullptr, nullptr, kCheckStyle | kNoDrawStyle);
    c.programList->setNbItemsPerColumn(14);
    c.programList->addEntry("Large Hall");
    c.programList->addEntry("-");
    for (int i = 1; i <= 52; ++i)
        c.programList->addEntry(("Program " + std::to_string(i)).c_str());
    c.programList->setCurrent(0, false);
    f.addView(c.programList);

    auto* step = new CBitmap(kStepRockerBitmap);
    c.stepRocker = new COrvRockerSwitch({220, 270, 251, 284}, &listener, 33, 14, step, CPoint(0, 0), kHorizontal);
    f.addView(c.stepRocker);
    step->forget();

    struct FileButton
    {
        long tag;
        long bitmap;
        CRect rect;
        long mode;
    };
    const FileButton files[] = {{34, 19993, {71, 278, 84, 292}, 0},
                                {35, 19994, {8, 278, 20, 292}, 1},
                                {36, 19998, {71, 263, 83, 277}, 2},
                                {37, 19999, {8, 263, 20, 277}, 3}};
    for (const FileButton& file : files)
    {
        auto* bitmap = new CBitmap(file.bitmap);
        auto* button = new CSaveLoadButton(file.rect, &listener, file.tag, 14, bitmap, CPoint(0, 0), file.mode);
        if (file.mode == 1)
            c.saveBank = button;
        f.addView(button);
        bitmap->forget();
    }
    struct MemoButton
    {
        long tag;
        long bitmap;
        CRect rect;
    };
    const MemoButton memos[] = {{39, 19991, {279, 263, 291, 277}},
                                {40, 19992, {279, 278, 291, 292}},
                                {41, 19995, {255, 263, 267, 277}},
                                {42, 19996, {255, 278, 267, 292}}};
    for (const MemoButton& memo : memos)
    {
        auto* bitmap = new CBitmap(memo.bitmap);
        auto* button = new COrvOnOffButton(memo.rect, &listener, memo.tag, bitmap);
        if (memo.tag == 39)
            c.recallA = button;
        f.addView(button);
        bitmap->forget();
    }
    panel->forget();
    return frame;
}
