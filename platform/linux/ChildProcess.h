// Runs a helper program (a dialog) as a child process and waits for it,
// collecting what it writes to its standard output. The child gets no
// standard input, no standard error and none of the host's other open files.
#pragma once

#include <string>
#include <vector>

struct ChildResult
{
    bool started = false; // the program could be run at all
    bool exited = false;  // it ended normally and `status` is its exit status
    int status = -1;
    std::string output;   // its standard output (at most 64 KiB)
};

// The full path of `name` found on PATH; empty when it is not installed.
std::string findProgram(const char* name);

// Runs `program` (a full path) with `arguments` (argv[1..]) and waits for it.
ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments);
