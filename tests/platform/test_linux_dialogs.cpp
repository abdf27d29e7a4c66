// The Linux file chooser and messages, run against stand-in dialog programs
// (shell scripts on a PATH of the test's own) that log their arguments and
// answer as zenity, kdialog and xmessage do.
#include "ChildProcess.h"
#include "FakeFileUi.h"
#include "LinuxDialogs.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace
{
// Logs its name and each argument in brackets, answers FAKE_ANSWER with exit
// status FAKE_STATUS, or FAKE_QUESTION_STATUS for a yes/no question; notes a
// file descriptor FAKE_CHECK_FD that it should not have been given.
constexpr const char* kFakeDialog = R"(#!/bin/sh
{ printf '%s\n' "${0##*/}"; for a in "$@"; do printf '[%s]\n' "$a"; done; } >> "$FAKE_LOG"
if [ -n "$FAKE_CHECK_FD" ] && [ -e "/proc/self/fd/$FAKE_CHECK_FD" ]; then echo "fd leaked" >> "$FAKE_LOG"; fi
case " $* " in *--question*|*--warningyesno*) exit "${FAKE_QUESTION_STATUS:-0}";; esac
printf '%s' "$FAKE_ANSWER"
exit "${FAKE_STATUS:-0}"
)";

class ScopedVariable
{
public:
    ScopedVariable(const char* name, const char* value) : variable(name)
    {
        if (const char* previous = std::getenv(name))
            saved = previous, hadValue = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (hadValue)
            setenv(variable.c_str(), saved.c_str(), 1);
        else
            unsetenv(variable.c_str());
    }

private:
    std::string variable;
    std::string saved;
    bool hadValue = false;
};

class DialogTest : public ::testing::Test
{
protected:
    void install(const char* program)
    {
        const std::string path = bin.file(program);
        std::ofstream(path) << kFakeDialog;
        chmod(path.c_str(), 0755);
    }
    std::string log() const
    {
        std::ifstream in(logFile);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void clearLog() const { std::ofstream(logFile, std::ios::trunc); }
    static std::string logged(const char* program, const std::vector<std::string>& arguments)
    {
        std::string text = std::string(program) + "\n";
        for (const std::string& argument : arguments)
            text += "[" + argument + "]\n";
        return text;
    }
    // A chooser whose "no chooser" messages are recorded.
    LinuxFileChooser makeChooser()
    {
        auto recording = std::make_unique<RecordingMessages>();
        messages = recording.get();
        return LinuxFileChooser(std::move(recording));
    }

    TempDirectory bin;
    TempDirectory files;
    std::string logFile = files.file("dialog.log");
    ScopedVariable path{"PATH", bin.str().c_str()};
    ScopedVariable display{"DISPLAY", ":0"};
    ScopedVariable wayland{"WAYLAND_DISPLAY", nullptr};
    ScopedVariable desktop{"XDG_CURRENT_DESKTOP", "GNOME"};
    ScopedVariable kde{"KDE_FULL_SESSION", nullptr};
    ScopedVariable logVariable{"FAKE_LOG", logFile.c_str()};
    ScopedVariable answer{"FAKE_ANSWER", ""};
    ScopedVariable status{"FAKE_STATUS", "0"};
    RecordingMessages* messages = nullptr;
};

FileChooserRequest bankRequest(bool save, const char* directory, const char* name)
{
    FileChooserRequest request;
    request.save = save;
    request.title = save ? "Save bank as..." : "Select bank to load...";
    request.filters[0] = {"All Files", "*.*"};
    request.filters[1] = {"ORV Banks", "*.orb"};
    request.filterIndex = 2;
    request.defaultExtension = "orb";
    request.options = save ? kChooserOverwritePrompt | kChooserHideReadOnly
                           : kChooserFileMustExist | kChooserPathMustExist | kChooserHideReadOnly;
    request.initialDirectory = directory;
    request.fileName = name;
    return request;
}
} // namespace

TEST_F(DialogTest, ZenityGetsTheTitleFiltersAndStartingPlace)
{
    install("zenity");
    LinuxFileChooser chooser = makeChooser();
    setenv("FAKE_ANSWER", "/data/presets/chosen.orb\n", 1);
    std::string chosen;
    ASSERT_TRUE(chooser.choose(bankRequest(false, "/data/presets/", "my.orb"), chosen));
    EXPECT_EQ(chosen, "/data/presets/chosen.orb");
    EXPECT_EQ(log(), logged("zenity", {"--file-selection", "--title=Select bank to load...",
                                       "--filename=/data/presets/my.orb", "--file-filter=ORV Banks | *.orb",
                                       "--file-filter=All Files | *"}));
    clearLog();
    // A directory without its separator, and a save dialog.
    setenv("FAKE_ANSWER", (files.str() + "/new.orb\n").c_str(), 1);
    ASSERT_TRUE(chooser.choose(bankRequest(true, "/data", ""), chosen));
    EXPECT_EQ(log(), logged("zenity", {"--file-selection", "--title=Save bank as...", "--save", "--confirm-overwrite",
                                       "--filename=/data/", "--file-filter=ORV Banks | *.orb",
                                       "--file-filter=All Files | *"}));
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(DialogTest, CancelGivesNoFileAndNoMessage)
{
    install("zenity");
    LinuxFileChooser chooser = makeChooser();
    setenv("FAKE_STATUS", "1", 1);
    std::string chosen = "unchanged";
    EXPECT_FALSE(chooser.choose(bankRequest(false, "/tmp/", ""), chosen));
    EXPECT_EQ(chosen, "unchanged");
    EXPECT_TRUE(messages->shown.empty());
    // A chooser that fails for its own reasons is reported, not taken for a cancel.
    setenv("FAKE_STATUS", "3", 1);
    EXPECT_FALSE(chooser.choose(bankRequest(false, "/tmp/", ""), chosen));
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0], "Error...|The file chooser (zenity) could not be shown.");
}

TEST_F(DialogTest, TheDefaultExtensionIsAddedAndAnExistingFileIsAskedAbout)
{
    install("zenity");
    LinuxFileChooser chooser = makeChooser();
    std::string chosen;
    setenv("FAKE_ANSWER", (files.str() + "/fresh\n").c_str(), 1);
    ASSERT_TRUE(chooser.choose(bankRequest(true, files.str().c_str(), ""), chosen));
    EXPECT_EQ(chosen, files.file("fresh.orb"));
    EXPECT_EQ(log().find("--question"), std::string::npos);

    // "old" becomes "old.orb", which exists: the user is asked first.
    std::ofstream(files.file("old.orb")) << "x";
    setenv("FAKE_ANSWER", (files.str() + "/old\n").c_str(), 1);
    ScopedVariable refuse("FAKE_QUESTION_STATUS", "1");
    EXPECT_FALSE(chooser.choose(bankRequest(true, files.str().c_str(), ""), chosen));
    EXPECT_NE(log().find("[--text=old.orb already exists. Do you want to replace it?]"), std::string::npos);
    setenv("FAKE_QUESTION_STATUS", "0", 1);
    ASSERT_TRUE(chooser.choose(bankRequest(true, files.str().c_str(), ""), chosen));
    EXPECT_EQ(chosen, files.file("old.orb"));

    // Opening "old" takes the existing "old.orb"; a name with a dot stays as it is.
    ASSERT_TRUE(chooser.choose(bankRequest(false, files.str().c_str(), ""), chosen));
    EXPECT_EQ(chosen, files.file("old.orb"));
    setenv("FAKE_ANSWER", "/x/name.bak\n", 1);
    ASSERT_TRUE(chooser.choose(bankRequest(true, "/x/", ""), chosen));
    EXPECT_EQ(chosen, "/x/name.bak");
}

TEST_F(DialogTest, KdialogIsUsedAloneOrOnAKdeDesktop)
{
    install("kdialog");
    LinuxFileChooser chooser = makeChooser();
    FileChooserRequest request = bankRequest(true, "/d", "name.orv");
    request.title = "Save preset as...";
    request.filters[1] = {"ORV Presets", "*.orv"};
    request.defaultExtension = "orv";
    request.ownerWindow = reinterpret_cast<void*>(uintptr_t{0x1234});
    setenv("FAKE_ANSWER", "/d/name.orv\n", 1);
    std::string chosen;
    ASSERT_TRUE(chooser.choose(request, chosen));
    EXPECT_EQ(chosen, "/d/name.orv");
    EXPECT_EQ(log(), logged("kdialog", {"--title", "Save preset as...", "--attach", "4660", "--getsavefilename",
                                        "/d/name.orv", "*.orv|ORV Presets\n*|All Files"}));

    // With both installed, the desktop decides.
    install("zenity");
    clearLog();
    ASSERT_TRUE(chooser.choose(request, chosen));
    EXPECT_EQ(log().substr(0, 7), "zenity\n");
    ScopedVariable onKde("XDG_CURRENT_DESKTOP", "KDE");
    clearLog();
    ASSERT_TRUE(chooser.choose(request, chosen));
    EXPECT_EQ(log().substr(0, 8), "kdialog\n");
}

TEST_F(DialogTest, WithoutAChooserTheUserIsTold)
{
    LinuxFileChooser chooser = makeChooser();
    std::string chosen;
    EXPECT_FALSE(chooser.choose(bankRequest(false, "/tmp/", ""), chosen));
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0], std::string("Error...|") + LinuxFileChooser::kNoChooserText);

    // Installed, but there is no display to show it on.
    install("zenity");
    ScopedVariable noDisplay("DISPLAY", nullptr);
    EXPECT_FALSE(chooser.choose(bankRequest(false, "/tmp/", ""), chosen));
    ASSERT_EQ(messages->shown.size(), 2u);
    EXPECT_EQ(messages->shown[1], std::string("Error...|") + LinuxFileChooser::kNoDisplayText);
    EXPECT_EQ(log(), "");
}

TEST_F(DialogTest, MessagesUseTheFirstDialogProgramThatShowsThem)
{
    LinuxMessageDisplay display;
    install("xmessage");
    display.showError("Error...", "Invalid file format!");
    EXPECT_EQ(log(), logged("xmessage", {"-center", "-title", "Error...", "-buttons", "OK:0", "Invalid file format!"}));

    install("zenity");
    clearLog();
    display.showError("Error...", "Not a bank file!");
    EXPECT_EQ(log(), logged("zenity", {"--error", "--title=Error...", "--no-markup", "--text=Not a bank file!"}));

    // A program that fails hands the message on to the next, and the last
    // resort is the standard error stream.
    setenv("FAKE_STATUS", "255", 1);
    clearLog();
    testing::internal::CaptureStderr();
    display.showError("Error...", "Not a preset file!");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error... Not a preset file!\n");
    EXPECT_EQ(log(), logged("zenity", {"--error", "--title=Error...", "--no-markup", "--text=Not a preset file!"}) +
                         logged("xmessage", {"-center", "-title", "Error...", "-buttons", "OK:0",
                                             "Not a preset file!"}));
}

TEST_F(DialogTest, WithoutProgramsOrDisplayMessagesGoToStandardError)
{
    LinuxMessageDisplay display;
    testing::internal::CaptureStderr();
    display.showError("Error...", "Not a bank file!");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error... Not a bank file!\n");

    install("zenity");
    ScopedVariable noDisplay("DISPLAY", nullptr);
    testing::internal::CaptureStderr();
    display.showError("Error...", "Invalid file format!");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error... Invalid file format!\n");
    EXPECT_EQ(log(), "");
}

TEST_F(DialogTest, ChildrenGetNoneOfTheHostsFilesAndProgramsAreFoundOnThePath)
{
    install("zenity");
    // A descriptor the host left open across exec.
    const int descriptor = open("/dev/null", O_RDONLY);
    ASSERT_GE(descriptor, 3);
    ScopedVariable check("FAKE_CHECK_FD", std::to_string(descriptor).c_str());
    const ChildResult result = runChild(findProgram("zenity"), {"--version"});
    close(descriptor);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(log(), logged("zenity", {"--version"}));

    EXPECT_EQ(findProgram("kdialog"), "");
    // Not executable: not a program.
    std::ofstream(bin.file("kdialog")) << "#!/bin/sh\n";
    EXPECT_EQ(findProgram("kdialog"), "");
    // Empty entries (the host's current directory) are skipped.
    ScopedVariable withEmpty("PATH", (":" + bin.str() + ":").c_str());
    EXPECT_EQ(findProgram("zenity"), bin.file("zenity"));
    EXPECT_FALSE(runChild(bin.file("missing"), {}).started);
}
