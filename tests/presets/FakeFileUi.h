// A file chooser that answers from a script and a message display that
// records, standing in for the editor's dialogs.
#pragma once

#include "CPresetFiles.h"
#include "CPresetSystemEffect.h"
#include "PresetFileFormat.h"

#include <deque>
#include <fstream>
#include <string>
#include <vector>

struct SeenRequest
{
    bool save;
    std::string title, allFilter, allPattern, filter, pattern;
    int32_t filterIndex;
    std::string extension;
    uint32_t options;
    std::string directory, fileName;
};

class ScriptedChooser : public CFileChooser
{
public:
    std::deque<std::string> answers; // an empty answer cancels
    std::vector<SeenRequest> seen;

    bool choose(const FileChooserRequest& r, std::string& path) override
    {
        seen.push_back({r.save, r.title, r.filters[0].description, r.filters[0].pattern, r.filters[1].description,
                        r.filters[1].pattern, r.filterIndex, r.defaultExtension, r.options, r.initialDirectory,
                        r.fileName});
        if (answers.empty())
            return false;
        path = answers.front();
        answers.pop_front();
        return !path.empty();
    }
};

class RecordingMessages : public CMessageDisplay
{
public:
    std::vector<std::string> shown; // "caption|text"
    void showError(const char* caption, const char* text) override
    {
        shown.push_back(std::string(caption) + "|" + text);
    }
};

// Every program of the store as bank bytes, to compare stores exactly.
inline std::array<uint8_t, kBankFileSize> storeBytes(CPresetSystemEffect& effect)
{
    ProgramBank bank;
    for (VstInt32 i = 0; i < kNumStoredPrograms; ++i)
        bank[static_cast<size_t>(i)] = recordOf(*effect.getStoredProgram(i));
    return writeBankFile(bank);
}

inline void writeBytes(const std::string& path, const uint8_t* bytes, size_t size)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes),
                                                                    static_cast<std::streamsize>(size));
}

inline std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
