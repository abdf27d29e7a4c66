// Module without an editor: the effect runs headless.
#include "EditorFactory.h"

AEffEditor* createPluginEditor(AudioEffect*)
{
    return nullptr;
}
