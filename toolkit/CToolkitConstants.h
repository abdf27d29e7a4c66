// Button, modifier, font, alignment and style constants of the toolkit.
#pragma once

// Mouse buttons and modifier keys, combined in one `buttons` mask.
enum CButton : long
{
    kLButton = 1 << 0,
    kMButton = 1 << 1,
    kRButton = 1 << 2,
    kShift = 1 << 3,
    kControl = 1 << 4,
    kAlt = 1 << 5,
    kApple = 1 << 6,
};
inline constexpr long kModifierMask = kShift | kControl | kAlt | kApple;

// Font ids; each has a default size and face (CDrawContext::setFont).
enum CFont : long
{
    kSystemFont = 0,
    kNormalFontVeryBig,
    kNormalFontBig,
    kNormalFont,
    kNormalFontSmall,
    kNormalFontSmaller,
    kNormalFontVerySmall,
    kSymbolFont,
    kNumStandardFonts
};

enum CTxtFace : long
{
    kNormalFace = 0,
    kBoldFace = 1 << 0,
};

enum CHoriTxtAlign : long
{
    kLeftText = 0,
    kCenterText,
    kRightText
};

// Control styles. Orientation and direction (sliders, rockers):
inline constexpr long kHorizontal = 1 << 0;
inline constexpr long kVertical = 1 << 1;
inline constexpr long kLeft = 1 << 3;
inline constexpr long kRight = 1 << 4;
inline constexpr long kTop = 1 << 5;
inline constexpr long kBottom = 1 << 6;
// Text displays and option menus:
inline constexpr long kNoFrame = 1 << 8;
inline constexpr long kCheckStyle = 1 << 10;
inline constexpr long kNoTextStyle = 1 << 11;
inline constexpr long kNoDrawStyle = 1 << 12;

// Knob dragging modes (AEffGUIEditor::setKnobMode).
enum CKnobMode : long
{
    kCircularMode = 0,
    kRelativCircularMode,
    kLinearMode
};
