#pragma once
// Windows only: runs a program of the test build as a process of its own.

#include <string>
#include <vector>

// The path of a program in the folder of the running test program.
std::string SiblingProgram(const std::string& name);

// Runs program with the arguments (each quoted) and waits up to limitMs for its end.
// Answers its exit code; -1 when it could not start or had to be ended after the limit.
long RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                unsigned long limitMs = 60000);
