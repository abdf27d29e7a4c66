// The plug-in modules' editor: the panel on the platform's window backend,
// with the platform's file chooser and messages for the preset bar.
#include "CorvantaEditor.h"
#include "EditorFactory.h"
#include "PlatformBackend.h"

CorvantaEditor* createPlatformEditor(AudioEffect* effect, int zoomLevel)
{
    installPlatformWindowBackend();
    auto* editor = new CorvantaEditor(effect, zoomLevel); // registers itself with the effect
    editor->setFileDialogs(createPlatformFileChooser(), createPlatformMessageDisplay());
    return editor;
}

AEffEditor* createPluginEditor(AudioEffect* effect)
{
    return createPlatformEditor(effect, CorvantaEditor::kFollowChoice);
}
