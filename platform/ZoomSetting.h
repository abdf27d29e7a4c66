// The editor zoom level the user chose (a right-click on the panel), kept
// for the user and shared by every instance. On Windows: the DWORD value
// "EditorZoom" under HKEY_CURRENT_USER\<settingsKeyPath()>. On Linux: the file
// "editor-zoom" in the settings folder beside the memo slots, holding the
// level as decimal text ("150"), replaced whole.
//
// Threads: any thread; the editor calls it from its own.
#pragma once

// The stored level, or 0 when none was stored or what is there is no level
// (100, 150 or 200).
int loadZoomChoice();
// Stores a level; false when it could not be stored.
bool saveZoomChoice(int percent);
