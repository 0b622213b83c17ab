#pragma once
// POSIX only: runs a program to its end with given input, extra environment variables and
// a time limit, and collects what it writes.

#include <chrono>
#include <string>
#include <utility>
#include <vector>

struct ProcessResult {
    int exitCode = -1; // -1 when the program could not run, was killed or timed out
    bool timedOut = false;
    int signal = 0; // the signal that ended the program; 0 when it exited
    std::string out;
    std::string err;
};

using EnvironmentOverrides = std::vector<std::pair<std::string, std::string>>;

// Runs argv[0] (a path) with argv; the environment is this process's with overrides
// applied (an empty value removes the variable).
ProcessResult RunProcess(const std::vector<std::string>& argv, const EnvironmentOverrides& environment = {},
                         const std::string& input = "",
                         std::chrono::milliseconds limit = std::chrono::seconds(30));

// The argument or environment vector exec takes: pointers into strings, then a null.
std::vector<char*> ExecPointers(std::vector<std::string>& strings);

// The environment block for exec: this process's, with overrides applied.
std::vector<std::string> MergedEnvironment(const EnvironmentOverrides& overrides);
