// The plug-in module supplies the editor; builds without one (the renderer,
// engine tests) pass no factory and the effect runs without an editor.
#pragma once

class AEffEditor;
class AudioEffect;

using EditorFactory = AEffEditor* (*)(AudioEffect* effect);

// Defined once per module that has an editor to offer.
AEffEditor* createPluginEditor(AudioEffect* effect);
