// Loading the module the way a host does.
#include "AEffEditor.h"
#include "AudioEffect.h"
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Entry, ModuleExportsBothEntryNames)
{
    PluginModule module;
    ASSERT_TRUE(module.loaded()) << PluginModule::defaultPath();
    EXPECT_NE(module.entry("VSTPluginMain"), nullptr);
    EXPECT_NE(module.entry("main"), nullptr);
    EXPECT_EQ(module.entry("_ZN8CorvantaC1EPFlP7AEffectiilPvfEPFP10AEffEditorP11AudioEffectE"), nullptr);
}

TEST(Entry, RefusesHostsThatAreNotVstHosts)
{
    PluginModule module;
    TestHost host;
    host.versionAnswer = 0;
    EXPECT_EQ(host.load(module), nullptr);
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0].opcode, audioMasterVersion);

    EXPECT_EQ(module.entry("VSTPluginMain")(nullptr), nullptr);
    EXPECT_EQ(module.entry("main")(nullptr), nullptr);
}

TEST(Entry, FreshInstanceReportsItsIdentityInTheRecord)
{
    PluginModule module;
    TestHost host;
    AEffect* effect = host.load(module);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 16);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->uniqueID, 0x4F52434E);
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_FLOAT_EQ(effect->ioRatio, 1.0f);
    // Replacing processing, and the editor flag where the module has its
    // editor; never chunks, double precision or anything else.
#if CORVANTA_PLUGIN_HAS_EDITOR
    EXPECT_EQ(effect->flags, effFlagsCanReplacing | effFlagsHasEditor);
#else
    EXPECT_EQ(effect->flags, effFlagsCanReplacing);
#endif
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    EXPECT_NE(effect->object, nullptr);
}

TEST(Entry, TwoInstancesAreIndependent)
{
    PluginModule module;
    TestHost first;
    TestHost second;
    AEffect* a = first.load(module);
    AEffect* b = second.load(module);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    first.setParameter(3, 0.9f);
    EXPECT_FLOAT_EQ(first.getParameter(3), 0.9f);
    EXPECT_FLOAT_EQ(second.getParameter(3), 0.5f);
    first.close();
    EXPECT_FLOAT_EQ(second.getParameter(3), 0.5f);
}

TEST(Entry, AReplacedEditorIsDeletedAndTheLastOneGoesWithTheEffect)
{
    // Counts its own deletions; constructing one registers it with the effect.
    struct CountedEditor : AEffEditor
    {
        CountedEditor(AudioEffect* effect, int& deletions) : AEffEditor(effect), deletions(deletions) {}
        ~CountedEditor() override { ++deletions; }
        int& deletions;
    };
    int deletions = 0;
    {
        AudioEffect effect(silentHostCallback, 1, 1);
        new CountedEditor(&effect, deletions);
        auto* second = new CountedEditor(&effect, deletions);
        EXPECT_EQ(deletions, 1);
        EXPECT_EQ(effect.getEditor(), second);
        effect.setEditor(second);
        EXPECT_EQ(deletions, 1) << "registering the same editor again keeps it";
        new CountedEditor(&effect, deletions);
        EXPECT_EQ(deletions, 2);
        EXPECT_NE(effect.getAeffect()->flags & effFlagsHasEditor, 0);
    }
    EXPECT_EQ(deletions, 3);
}
