// The system's file dialogs and message boxes behind the preset files, the
// real ones under Wine: a second thread plays the user. It waits for the
// dialog by its title, notes what the dialog shows (owner, filters, offered
// name, message text and icon), types a name and confirms or cancels. A
// dialog that never matches what the thread waits for is cancelled after a
// while, so no test can hang the suite.
#include "CPresetFiles.h"
#include "Corvanta.h"
#include "PresetFileFormat.h"
#include "TempDirectory.h"
#include "TestHost.h"
#include "Win32.h"
#include "Win32Dialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;

// Control ids of the common dialogs' file name box and file type list.
constexpr int kFileNameBox = 0x47c;
constexpr int kFileTypeList = 0x470;

std::string textOf(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What the user saw; read on the test's thread after the dialog closed
// (GoogleTest's checks are not made from the user's thread).
struct Seen
{
    bool found = false;
    HWND owner = nullptr;
    std::vector<std::string> fileTypes;
    int chosenType = -1;
    std::string offeredName;
    std::vector<std::string> texts; // static texts of a message box
    HICON icon = nullptr;
};

// Plays the user of one dialog with the given title, on its own thread.
class User
{
public:
    // `act` answers the dialog (types, confirms or cancels) once it is seen.
    User(std::string title, std::function<void(HWND)> act)
        : thread([this, title = std::move(title), act = std::move(act), dialogThread = GetCurrentThreadId()] {
              play(title, act, dialogThread);
          })
    {
    }
    ~User() { finish(); }

    const Seen& finish()
    {
        if (thread.joinable())
            thread.join();
        return seen;
    }

private:
    void play(const std::string& title, const std::function<void(HWND)>& act, DWORD dialogThread)
    {
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        HWND dialog = nullptr;
        while (!dialog && std::chrono::steady_clock::now() < deadline)
        {
            dialog = findWindow(dialogThread, title);
            if (!dialog)
                std::this_thread::sleep_for(20ms);
        }
        if (!dialog)
        {
            cancelEverything(dialogThread);
            return;
        }
        // Let the dialog finish filling itself in.
        std::this_thread::sleep_for(200ms);
        seen.found = true;
        seen.owner = GetWindow(dialog, GW_OWNER);
        if (HWND types = GetDlgItem(dialog, kFileTypeList))
        {
            const auto count = SendMessageA(types, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i)
            {
                char text[128] = {};
                SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                seen.fileTypes.emplace_back(text);
            }
            seen.chosenType = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
        }
        if (HWND name = GetDlgItem(dialog, kFileNameBox))
            seen.offeredName = textOf(name);
        EnumChildWindows(
            dialog,
            [](HWND child, LPARAM data) -> BOOL {
                auto& into = *reinterpret_cast<Seen*>(data);
                char className[32] = {};
                GetClassNameA(child, className, sizeof className);
                if (lstrcmpiA(className, "Static") != 0)
                    return TRUE;
                if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    into.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
                else if (!textOf(child).empty())
                    into.texts.push_back(textOf(child));
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&seen));
        act(dialog);
        // A dialog still open after the answer is cancelled.
        const auto answered = std::chrono::steady_clock::now() + 10s;
        while (IsWindow(dialog) && std::chrono::steady_clock::now() < answered)
            std::this_thread::sleep_for(20ms);
        if (IsWindow(dialog))
            cancelEverything(dialogThread);
    }

    // A top-level window of the dialog's thread with that title: another
    // test's dialog of the same title is no business of this one.
    static HWND findWindow(DWORD dialogThread, const std::string& title)
    {
        struct Search
        {
            const std::string& title;
            HWND found = nullptr;
        } search{title};
        EnumThreadWindows(
            dialogThread,
            [](HWND window, LPARAM data) -> BOOL {
                auto& search = *reinterpret_cast<Search*>(data);
                if (IsWindowVisible(window) && textOf(window) == search.title)
                    search.found = window;
                return search.found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static void cancelEverything(DWORD dialogThread)
    {
        EnumThreadWindows(
            dialogThread,
            [](HWND window, LPARAM) -> BOOL {
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
                return TRUE;
            },
            0);
    }

    Seen seen;
    std::thread thread;
};

void typeAndConfirm(HWND dialog, const std::string& name)
{
    SetDlgItemTextA(dialog, kFileNameBox, name.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

HWND createOwnerWindow()
{
    return CreateWindowExA(0, "STATIC", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 30, 320, 320, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

std::string withBackslash(const std::string& directory)
{
    std::string path = std::filesystem::path(directory).make_preferred().string();
    if (!path.empty() && path.back() != '\\')
        path.push_back('\\');
    return path;
}

FileChooserRequest saveBankRequest(const std::string& directory)
{
    FileChooserRequest request;
    request.save = true;
    request.title = "Save bank as...";
    request.filters[0] = {"All Files", "*.*"};
    request.filters[1] = {"ORV Banks", "*.orb"};
    request.filterIndex = 2;
    request.defaultExtension = "orb";
    request.options = kChooserOverwritePrompt | kChooserHideReadOnly;
    request.initialDirectory = directory.c_str();
    request.fileName = "previous.orb";
    return request;
}
} // namespace

TEST(Win32FileChooser, TheSaveDialogShowsTheRequestAndAnswersTheFullPath)
{
    TempDirectory temp;
    const std::string directory = withBackslash(temp.str());
    // The request names the editor's window, a child of the host's.
    const HWND host = createOwnerWindow();
    const HWND editorWindow = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 294, host, nullptr,
                                              GetModuleHandleA(nullptr), nullptr);
    Win32FileChooser chooser;
    FileChooserRequest request = saveBankRequest(directory);
    request.ownerWindow = editorWindow;

    User user("Save bank as...", [](HWND dialog) { typeAndConfirm(dialog, "fresh"); });
    std::string path = "untouched";
    const bool chosen = chooser.choose(request, path);
    const Seen& seen = user.finish();

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, host) << "a dialog belongs to the top-level window of its owner";
    EXPECT_EQ(seen.fileTypes, (std::vector<std::string>{"All Files", "ORV Banks"}));
    EXPECT_EQ(seen.chosenType, 1) << "the second filter, counted from 1 in the request";
    EXPECT_EQ(seen.offeredName, "previous.orb");
    EXPECT_TRUE(chosen);
    // The name typed without extension lands in the initial directory with the default one.
    EXPECT_EQ(path, directory + "fresh.orb");
    DestroyWindow(host);
}

TEST(Win32FileChooser, CancellingTheOpenDialogChoosesNothing)
{
    TempDirectory temp;
    const std::string directory = withBackslash(temp.str());
    Win32FileChooser chooser;
    FileChooserRequest request = saveBankRequest(directory);
    request.save = false;
    request.title = "Select bank to load...";
    request.options = kChooserFileMustExist | kChooserPathMustExist | kChooserHideReadOnly;

    User user("Select bank to load...", [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    std::string path = "untouched";
    EXPECT_FALSE(chooser.choose(request, path));
    EXPECT_TRUE(user.finish().found);
    EXPECT_EQ(path, "untouched");
}

TEST(Win32MessageDisplay, AnErrorBoxWithItsCaptionTextAndIcon)
{
    Win32MessageDisplay messages;
    User user("Error...", [](HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); });
    messages.showError("Error...", "Invalid file format!");
    const Seen& seen = user.finish();

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_EQ(seen.texts, std::vector<std::string>{"Invalid file format!"});
    EXPECT_EQ(seen.icon, LoadIconA(nullptr, IDI_HAND));
}

// The file operations on the system's dialogs: a bank chosen as a preset
// is refused with the message box, and the programs stay as they were.
TEST(Win32Dialogs, ABankOpenedAsAPresetIsRefusedWithAMessage)
{
    TestHost host;
    Corvanta effect(TestHost::callback);
    TempDirectory temp;
    const std::string directory = withBackslash(temp.str());
    {
        ProgramBank bank;
        for (VstInt32 i = 0; i < kNumStoredPrograms; ++i)
            bank[static_cast<size_t>(i)] = recordOf(*effect.getStoredProgram(i));
        const auto bytes = writeBankFile(bank);
        std::ofstream(directory + "saved.orb", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    effect.setParameter(kDecay, 0.125f);

    Win32FileChooser chooser;
    Win32MessageDisplay messages;
    CPresetFiles files(&effect, chooser, messages);
    // The dialog opens where the process is; the user types the full path.
    User chooserUser("Select preset to load...",
                     [&](HWND dialog) { typeAndConfirm(dialog, directory + "saved.orb"); });
    User messageUser("Error...", [](HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); });
    EXPECT_FALSE(files.loadPreset());
    const Seen& chosen = chooserUser.finish();
    const Seen& message = messageUser.finish();

    ASSERT_TRUE(chosen.found);
    EXPECT_EQ(chosen.fileTypes, (std::vector<std::string>{"All Files", "ORV Presets"}));
    ASSERT_TRUE(message.found);
    EXPECT_EQ(message.texts, std::vector<std::string>{"Not a preset file!"});
    EXPECT_EQ(files.getFileDirectory(), directory);
    EXPECT_EQ(files.getPresetFileName(), "saved.orb");
    EXPECT_EQ(effect.getParameter(kDecay), 0.125f);
}
