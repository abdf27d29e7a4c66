// The generator's drawings, at the zoom level set with paint::setZoom. Every
// control bitmap that is drawn opaque carries the panel's pixels under its
// place, so it blends into the panel; each is the size of its place at the
// level.
#pragma once

#include "Paint.h"

#include <string>
#include <vector>

namespace artwork
{
// Where the editor puts each control, in panel pixels.
namespace place
{
inline constexpr CRect decayKnob{39, 42, 96, 99};
inline constexpr CRect highDampKnob{204, 42, 261, 99};
inline constexpr CRect typeRocker{120, 43, 181, 63};
inline constexpr CRect typePicture{118, 63, 182, 103};
inline constexpr CRect typeList{94, 103, 207, 113};
inline constexpr CRect lowGainKnob{48, 126, 87, 165};
inline constexpr CRect lowFreqKnob{103, 126, 142, 165};
inline constexpr CRect highFreqKnob{158, 126, 197, 165};
inline constexpr CRect highGainKnob{213, 126, 252, 165};
inline constexpr CRect slider{45, 177, 240, 186};
// The slider's handle at value 0.
inline constexpr CRect sliderHandle{45, 177, 66, 186};
inline constexpr CRect mixKnob{103, 195, 142, 234};
inline constexpr CRect outputKnob{158, 195, 197, 234};
inline constexpr CRect powerSwitch{50, 202, 85, 228};
inline constexpr CRect lamp{226, 209, 239, 222};
inline constexpr CRect readout{210, 229, 255, 242};
inline constexpr CRect valueFields[] = {{47, 99, 89, 110},   {212, 99, 254, 110},  {242, 176, 274, 187},
                                        {44, 165, 92, 176},  {99, 165, 147, 176},  {209, 165, 257, 176},
                                        {154, 165, 202, 176}, {99, 234, 147, 245}, {154, 234, 202, 245}};
// The preset bar, for a panel 294 high.
inline constexpr CRect nameField{89, 270, 205, 285};
inline constexpr CRect programList{207, 270, 215, 285};
inline constexpr CRect stepRocker{220, 270, 251, 284};
inline constexpr CRect loadBank{71, 278, 84, 292};
inline constexpr CRect saveBank{8, 278, 20, 292};
inline constexpr CRect loadPreset{71, 263, 83, 277};
inline constexpr CRect savePreset{8, 263, 20, 277};
inline constexpr CRect recallA{279, 263, 291, 277};
inline constexpr CRect recallB{279, 278, 291, 292};
inline constexpr CRect storeA{255, 263, 267, 277};
inline constexpr CRect storeB{255, 278, 267, 292};
} // namespace place

inline constexpr int kPanelWidth = 300;
inline constexpr int kPanelHeight = 294;
inline constexpr int kKnobFrames = 51;

PixelBuffer panel();
// A filmstrip of kKnobFrames knob images over the panel at `at`. A strip
// shared by two knobs in one row is as wide as the wider of their places.
PixelBuffer knobStrip(const PixelBuffer& panel, const CRect& at, CColor accent, const CRect& alsoAt);
PixelBuffer powerSwitch(const PixelBuffer& panel);
PixelBuffer typeRocker(const PixelBuffer& panel);
PixelBuffer typePictures(const PixelBuffer& panel);
PixelBuffer overloadLamp(const PixelBuffer& panel);
PixelBuffer sliderHandle();

enum class ButtonIcon
{
    save,
    load,
    store,
    recall
};
// Four images of 14: idle, hover, pressed, and idle again (unused).
PixelBuffer barButton(const PixelBuffer& panel, const CRect& at, ButtonIcon icon);
// Five images of 14: idle, hover left, hover right, pressed left, pressed right.
PixelBuffer stepRocker(const PixelBuffer& panel);
PixelBuffer about();
} // namespace artwork
