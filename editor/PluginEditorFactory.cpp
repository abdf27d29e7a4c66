// The plug-in module's editor: the panel on the platform's window backend,
// with the platform's file chooser and messages for the preset bar.
#include "CorvantaEditor.h"
#include "EditorFactory.h"
#include "PlatformBackend.h"

AEffEditor* createPluginEditor(AudioEffect* effect)
{
    installPlatformWindowBackend();
    auto* editor = new CorvantaEditor(effect); // registers itself with the effect
    editor->setFileDialogs(createPlatformFileChooser(), createPlatformMessageDisplay());
    return editor;
}
