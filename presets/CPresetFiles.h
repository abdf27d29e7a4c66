// Loading and saving one preset (".orv") or the whole bank (".orb") through
// the file chooser, with the state the four file buttons of the preset bar
// share: the directory of the last chosen file and the last name of each kind.
//
// Threads: the editor's thread.
#pragma once

#include "FileChooser.h"
#include "PresetFileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

class CPresetSystemEffect;

class CPresetFiles
{
public:
    // The effect may be null (every operation then does nothing); the chooser
    // and message display must outlive this object.
    CPresetFiles(CPresetSystemEffect* effect, CFileChooser& chooser, CMessageDisplay& messages);

    // Each returns true when it read or wrote a file; false when there was
    // no effect, the user cancelled, the file could not be opened, or the
    // file was refused or could not be saved (after the message was shown:
    // a failed save leaves a file already there as it was). A successful
    // load has replaced programs and selected one: the caller refreshes any
    // list of program names it shows.
    bool loadBank();   // all 53 programs, then selects program 0
    bool saveBank();
    bool loadPreset(); // into the current program, then selects it
    bool savePreset(); // the current program

    // The window the choosers belong to (the editor's), null while closed.
    void setOwnerWindow(void* window) { ownerWindow = window; }

    const std::string& getFileDirectory() const { return fileDirectory; }
    const std::string& getBankFileName() const { return bankFileName; }
    const std::string& getPresetFileName() const { return presetFileName; }

private:
    enum class Kind
    {
        bank,
        preset
    };

    bool hasPrograms() const;
    // Runs the chooser and remembers the directory and name it gave.
    bool chooseFile(Kind kind, bool save, std::string& path);
    // Chooses a file to load and reads as much of it as its format holds.
    bool chooseAndRead(Kind kind, std::vector<uint8_t>& bytes, std::string& path);
    // Shows the message of a refused file; true when the file passed.
    bool passes(FileCheck check);
    // Replaces or creates the file; tells the user when that failed.
    bool saveBytes(const std::string& path, const uint8_t* bytes, size_t size);

    CPresetSystemEffect* effect;
    CFileChooser& chooser;
    CMessageDisplay& messages;
    void* ownerWindow = nullptr;

    std::string fileDirectory;  // with its trailing separator once a file was chosen
    std::string bankFileName;   // name only, no directory
    std::string presetFileName;
};
