#include "ChildProcess.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
constexpr size_t kMaxOutput = 64 * 1024;

bool isExecutableFile(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}
} // namespace

std::string findProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    if (!name || !*name || !path)
        return {};
    const std::string directories = path;
    size_t start = 0;
    while (start <= directories.size())
    {
        size_t end = directories.find(':', start);
        if (end == std::string::npos)
            end = directories.size();
        // An empty entry means the current directory, which is the host's
        // and no place to look for a dialog program.
        if (end > start)
        {
            const std::string candidate = directories.substr(start, end - start) + "/" + name;
            if (isExecutableFile(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments)
{
    ChildResult result;
    int pipeEnds[2] = {-1, -1};
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return result;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The host's files (sockets, devices, its X connection) stay with the host.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (failed)
    {
        close(pipeEnds[0]);
        return result;
    }
    result.started = true;

    char buffer[4096];
    for (;;)
    {
        const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        if (result.output.size() < kMaxOutput)
            result.output.append(buffer, static_cast<size_t>(count));
    }
    close(pipeEnds[0]);

    int status = 0;
    pid_t waited = 0;
    do
        waited = waitpid(pid, &status, 0);
    while (waited < 0 && errno == EINTR);
    // A host that reaps every child itself leaves no status: the output
    // alone then tells what happened.
    if (waited == pid && WIFEXITED(status))
    {
        result.exited = true;
        result.status = WEXITSTATUS(status);
    }
    if (result.output.size() > kMaxOutput)
        result.output.resize(kMaxOutput);
    return result;
}
