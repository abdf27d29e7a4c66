// The plug-in DLL as a Windows host holds it: its resource section carries
// every bitmap of the editor, the same as the ones the toolkit tests draw
// with (this program's own resources, built from the same script).
#include "BitmapIds.h"
#include "TestHost.h"
#include "Win32.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
struct Resource
{
    const unsigned char* bytes = nullptr;
    DWORD size = 0;
};

Resource bitmapResource(HMODULE module, long id)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2)); // RT_BITMAP
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(module, found);
    return {static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr), SizeofResource(module, found)};
}
} // namespace

TEST(PluginModule, CarriesEveryBitmapOfTheEditor)
{
    const std::string path = PluginModule::defaultPath();
    HMODULE plugin = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(plugin, nullptr) << path;
    const long ids[] = {kPanelBitmap,        kPowerBitmap,        kTypeRockerBitmap,  kTypePicturesBitmap,
                        kOverloadLampBitmap, kDecayKnobBitmap,    kHighDampKnobBitmap, kLowKnobBitmap,
                        kHighKnobBitmap,     kMixKnobBitmap,      kOutputKnobBitmap,  kAboutBitmap,
                        kSliderHandleBitmap, kMemoRecallABitmap,  kMemoRecallBBitmap, kLoadBankBitmap,
                        kSaveBankBitmap,     kMemoStoreABitmap,   kMemoStoreBBitmap,  kStepRockerBitmap,
                        kLoadPresetBitmap,   kSavePresetBitmap};
    for (long id : ids)
    {
        const Resource inPlugin = bitmapResource(plugin, id);
        const Resource drawnWith = bitmapResource(GetModuleHandleA(nullptr), id);
        ASSERT_NE(inPlugin.bytes, nullptr) << id;
        ASSERT_NE(drawnWith.bytes, nullptr) << id;
        ASSERT_EQ(inPlugin.size, drawnWith.size) << id;
        EXPECT_EQ(std::memcmp(inPlugin.bytes, drawnWith.bytes, inPlugin.size), 0) << id;
    }
    EXPECT_EQ(bitmapResource(plugin, 12345).bytes, nullptr);
    FreeLibrary(plugin);
}
