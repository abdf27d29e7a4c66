#include "LinuxDialogs.h"

#include "../PlatformBackend.h"
#include "ChildProcess.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace
{
// zenity and kdialog answer 0 for a choice and 1 for a cancelled dialog.
constexpr int kDialogAccepted = 0;
constexpr int kDialogCancelled = 1;

bool hasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

bool onKdeDesktop()
{
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return std::getenv("KDE_FULL_SESSION") || (desktop && std::strstr(desktop, "KDE"));
}

const char* programName(DialogProgram program)
{
    return program == DialogProgram::zenity ? "zenity" : "kdialog";
}

// The installed dialog programs, the desktop's own first.
std::vector<std::pair<DialogProgram, std::string>> installedDialogPrograms()
{
    std::vector<std::pair<DialogProgram, std::string>> found;
    const DialogProgram order[2] = {onKdeDesktop() ? DialogProgram::kdialog : DialogProgram::zenity,
                                    onKdeDesktop() ? DialogProgram::zenity : DialogProgram::kdialog};
    for (DialogProgram program : order)
    {
        std::string path = findProgram(programName(program));
        if (!path.empty())
            found.emplace_back(program, std::move(path));
    }
    return found;
}

// "*.*" is every file on Windows; here that is "*".
std::string linuxPattern(const char* pattern)
{
    return std::strcmp(pattern, "*.*") == 0 ? "*" : pattern;
}

// The filters with the preselected one first (both programs start on the first).
std::vector<FileFilter> filtersInOrder(const FileChooserRequest& request)
{
    std::vector<FileFilter> filters;
    const int32_t first = request.filterIndex - 1;
    if (first >= 0 && first < 2 && request.filters[first].description)
        filters.push_back(request.filters[first]);
    for (int32_t i = 0; i < 2; ++i)
        if (i != first && request.filters[i].description && request.filters[i].pattern)
            filters.push_back(request.filters[i]);
    return filters;
}

// The initial directory and the offered name as one path.
std::string startPath(const FileChooserRequest& request)
{
    std::string path = request.initialDirectory ? request.initialDirectory : "";
    if (!path.empty() && path.back() != '/')
        path.push_back('/');
    if (path.empty())
        path = "./";
    return path + (request.fileName ? request.fileName : "");
}

bool exists(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0;
}

// The chosen path with the default extension when its name has none.
std::string withDefaultExtension(const std::string& path, const char* extension)
{
    if (!extension || !*extension)
        return path;
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1))
        return path;
    return path + "." + extension;
}

std::string firstLine(const std::string& output)
{
    return output.substr(0, output.find('\n'));
}

bool shownBy(const ChildResult& result)
{
    return result.started && result.exited && (result.status == kDialogAccepted || result.status == kDialogCancelled);
}
} // namespace

std::vector<std::string> chooserArguments(DialogProgram program, const FileChooserRequest& request)
{
    const std::vector<FileFilter> filters = filtersInOrder(request);
    std::vector<std::string> arguments;
    const std::string title = request.title ? request.title : "";
    if (program == DialogProgram::zenity)
    {
        arguments = {"--file-selection", "--title=" + title};
        if (request.save)
        {
            arguments.push_back("--save");
            if (request.options & kChooserOverwritePrompt)
                arguments.push_back("--confirm-overwrite");
        }
        arguments.push_back("--filename=" + startPath(request));
        for (const FileFilter& filter : filters)
            arguments.push_back(std::string("--file-filter=") + filter.description + " | " +
                                linuxPattern(filter.pattern));
        return arguments;
    }
    arguments = {"--title", title};
    if (request.ownerWindow)
        arguments.insert(arguments.end(),
                         {"--attach", std::to_string(reinterpret_cast<uintptr_t>(request.ownerWindow))});
    arguments.push_back(request.save ? "--getsavefilename" : "--getopenfilename");
    arguments.push_back(startPath(request));
    std::string filterText;
    for (const FileFilter& filter : filters)
    {
        if (!filterText.empty())
            filterText.push_back('\n');
        filterText += linuxPattern(filter.pattern) + "|" + filter.description;
    }
    arguments.push_back(filterText);
    return arguments;
}

void LinuxMessageDisplay::showError(const char* caption, const char* text)
{
    caption = caption ? caption : "";
    text = text ? text : "";
    if (hasDisplay())
    {
        for (const auto& [program, path] : installedDialogPrograms())
        {
            const std::vector<std::string> arguments =
                program == DialogProgram::zenity
                    ? std::vector<std::string>{"--error", std::string("--title=") + caption, "--no-markup",
                                               std::string("--text=") + text}
                    : std::vector<std::string>{"--title", caption, "--error", text};
            if (shownBy(runChild(path, arguments)))
                return;
        }
        const std::string xmessage = findProgram("xmessage");
        if (!xmessage.empty())
        {
            const ChildResult result = runChild(xmessage, {"-center", "-title", caption, "-buttons", "OK:0", text});
            if (result.started && result.exited && result.status == 0)
                return;
        }
    }
    std::fprintf(stderr, "%s %s\n", caption, text);
}

LinuxFileChooser::LinuxFileChooser(std::unique_ptr<CMessageDisplay> messageDisplay)
    : messages(std::move(messageDisplay))
{
}

bool LinuxFileChooser::confirmReplace(DialogProgram program, const std::string& programPath,
                                      const FileChooserRequest& request, const std::string& path)
{
    const std::string question = path.substr(path.rfind('/') + 1) + " already exists. Do you want to replace it?";
    const std::string title = request.title ? request.title : "";
    const std::vector<std::string> arguments =
        program == DialogProgram::zenity
            ? std::vector<std::string>{"--question", "--title=" + title, "--no-markup", "--text=" + question}
            : std::vector<std::string>{"--title", title, "--warningyesno", question};
    const ChildResult result = runChild(programPath, arguments);
    return result.exited && result.status == kDialogAccepted;
}

bool LinuxFileChooser::choose(const FileChooserRequest& request, std::string& path)
{
    const auto programs = installedDialogPrograms();
    if (programs.empty() || !hasDisplay())
    {
        messages->showError("Error...", programs.empty() ? kNoChooserText : kNoDisplayText);
        return false;
    }
    const auto& [program, programPath] = programs.front();
    const ChildResult result = runChild(programPath, chooserArguments(program, request));
    const std::string chosen = firstLine(result.output);
    if (!result.started || (result.exited && result.status != kDialogAccepted && result.status != kDialogCancelled))
    {
        const std::string text = std::string("The file chooser (") + programName(program) + ") could not be shown.";
        messages->showError("Error...", text.c_str());
        return false;
    }
    if ((result.exited && result.status != kDialogAccepted) || chosen.empty())
        return false;

    path = withDefaultExtension(chosen, request.defaultExtension);
    if (path == chosen)
        return true;
    if (!request.save)
    {
        // "name" was typed for "name.orb": take the file that exists.
        if (exists(chosen) || !exists(path))
            path = chosen;
        return true;
    }
    // The dialog asked about the name without the extension, not this one.
    return !exists(path) || !(request.options & kChooserOverwritePrompt) ||
           confirmReplace(program, programPath, request, path);
}

std::unique_ptr<CFileChooser> createPlatformFileChooser()
{
    return std::make_unique<LinuxFileChooser>(std::make_unique<LinuxMessageDisplay>());
}

std::unique_ptr<CMessageDisplay> createPlatformMessageDisplay()
{
    return std::make_unique<LinuxMessageDisplay>();
}
