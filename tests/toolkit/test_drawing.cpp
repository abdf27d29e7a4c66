// What the toolkit draws: the bitmap resources at the sizes the editor
// expects and text that is legible at the small sizes. (The whole panel is
// compared with its golden image in tests/editor, drawn by the real editor.)
#include "TestSupport.h"

#include "BitmapIds.h"
#include "draw/ImageFiles.h"



namespace
{
TEST(BitmapResources, EveryIdLoadsAtItsSize)
{
    struct Expected
    {
        long id;
        long width;
        long height;
    };
    const Expected bitmaps[] = {
        {kPanelBitmap, 300, 294},        {kPowerBitmap, 35, 52},          {kTypeRockerBitmap, 61, 60},
        {kTypePicturesBitmap, 64, 360},  {kOverloadLampBitmap, 13, 39},   {kDecayKnobBitmap, 57, 2907},
        {kHighDampKnobBitmap, 57, 2907}, {kLowKnobBitmap, 39, 1989},      {kHighKnobBitmap, 39, 1989},
        {kMixKnobBitmap, 39, 1989},      {kOutputKnobBitmap, 39, 1989},   {kAboutBitmap, 300, 262},
        {kSliderHandleBitmap, 21, 9},    {kMemoRecallABitmap, 12, 56},    {kMemoRecallBBitmap, 12, 56},
        {kLoadBankBitmap, 12, 56},       {kSaveBankBitmap, 12, 56},       {kMemoStoreABitmap, 12, 56},
        {kMemoStoreBBitmap, 12, 56},     {kStepRockerBitmap, 31, 70},     {kLoadPresetBitmap, 12, 56},
        {kSavePresetBitmap, 12, 56},
    };
    for (const Expected& expected : bitmaps)
    {
        CBitmap bitmap(expected.id);
        EXPECT_TRUE(bitmap.isLoaded()) << expected.id;
        EXPECT_EQ(bitmap.getWidth(), expected.width) << expected.id;
        EXPECT_EQ(bitmap.getHeight(), expected.height) << expected.id;
    }
    CBitmap missing(12345);
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_EQ(missing.getWidth(), 0);
}

TEST(BitmapResources, KnobFilmstripsTurnAndSharedOnesFitBothPlaces)
{
    CBitmap panel(kPanelBitmap);
    CBitmap low(kLowKnobBitmap);
    // Every image differs from the next (the pointer moves).
    for (int frame = 0; frame + 1 < 51; ++frame)
    {
        bool differs = false;
        for (int y = 0; y < 39 && !differs; ++y)
            for (int x = 0; x < 39 && !differs; ++x)
                differs = low.getPixels().at(x, frame * 39 + y) != low.getPixels().at(x, (frame + 1) * 39 + y);
        EXPECT_TRUE(differs) << "frame " << frame;
    }
    // The corners of the strip are the panel under both knobs that share it.
    for (long left : {48L, 103L})
        EXPECT_EQ(low.getPixels().at(0, 0), panel.getPixels().at(static_cast<int>(left), 126));
}

TEST(BitmapDecoding, RejectsTruncatedAndForeignData)
{
    PixelBuffer image(3, 2, CColor{1, 2, 3, 255}.toPixel());
    image.at(2, 1) = CColor{200, 100, 50, 255}.toPixel();
    std::vector<unsigned char> file = encodeBitmap24(image);
    PixelBuffer decoded;
    ASSERT_TRUE(decodeBitmap(file.data(), file.size(), decoded));
    EXPECT_EQ(decoded.at(2, 1), image.at(2, 1));
    EXPECT_EQ(decoded.at(0, 0), image.at(0, 0));
    // A packed DIB, as a resource section holds it.
    EXPECT_TRUE(decodeBitmap(file.data() + 14, file.size() - 14, decoded));
    EXPECT_FALSE(decodeBitmap(file.data(), file.size() - 1, decoded));
    EXPECT_FALSE(decodeBitmap(file.data(), 20, decoded));
    EXPECT_FALSE(decodeBitmap(nullptr, 0, decoded));
    file[28] = 8; // 8 bits per pixel: not ours
    EXPECT_FALSE(decodeBitmap(file.data(), file.size(), decoded));
}

TEST(TextDrawing, SmallFontsKeepLettersApart)
{
    // Each glyph of a 9-pixel value text stands apart: darkened columns
    // separated by light ones, one run per character at least for "1234".
    PixelBuffer buffer(60, 14, kWhiteCColor.toPixel());
    CDrawContext context(nullptr, buffer);
    context.setFont(kNormalFontVerySmall);
    context.setFontColor(kBlackCColor);
    context.drawString("1234", CRect(0, 0, 60, 14), false, kLeftText);
    int runs = 0;
    bool inRun = false;
    for (int x = 0; x < 60; ++x)
    {
        bool dark = false;
        for (int y = 0; y < 14; ++y)
            dark = dark || (buffer.at(x, y) & 0xFF) < 110;
        runs += dark && !inRun;
        inRun = dark;
    }
    EXPECT_GE(runs, 4);
    EXPECT_LE(context.getStringWidth("1234"), 24);
    EXPECT_GT(context.getStringWidth("1234"), 16);
}
} // namespace
