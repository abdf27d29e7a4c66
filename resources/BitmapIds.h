// Resource ids of the editor's bitmaps (see corvanta.rc).
#pragma once

enum BitmapId : long
{
    kPanelBitmap = 11200,
    kPowerBitmap = 11201,
    kTypeRockerBitmap = 11204,
    kTypePicturesBitmap = 11205,
    kOverloadLampBitmap = 11206,
    kDecayKnobBitmap = 11210,
    kHighDampKnobBitmap = 11211,
    kLowKnobBitmap = 11212,
    kHighKnobBitmap = 11215,
    kMixKnobBitmap = 11216,
    kOutputKnobBitmap = 11217,
    kAboutBitmap = 11220,
    kSliderHandleBitmap = 11250,
    kMemoRecallABitmap = 19991,
    kMemoRecallBBitmap = 19992,
    kLoadBankBitmap = 19993,
    kSaveBankBitmap = 19994,
    kMemoStoreABitmap = 19995,
    kMemoStoreBBitmap = 19996,
    kStepRockerBitmap = 19997,
    kLoadPresetBitmap = 19998,
    kSavePresetBitmap = 19999,
};

// The same bitmap drawn for a zoom level: 100 % keeps the id, 150 % adds
// 20000 and 200 % adds 40000 (every id stays below 65536, as a Windows
// resource id must).
constexpr long zoomedBitmapId(long id, int percent)
{
    return percent == 150 ? id + 20000 : percent == 200 ? id + 40000 : id;
}
