#pragma once
// The install question on a terminal: greets the user, proposes ~/Programme/<product>
// and asks before giving up. A directory in which no file can be made is refused with a
// line saying so, and the per-user directory is proposed instead. Texts are
// Windows-1252 inside and UTF-8 on the terminal.

#include "text/TypedValue.h"

#include <functional>
#include <istream>
#include <ostream>
#include <string>

class InstallPrompt {
public:
    // home (UTF-8, as the environment gives it) replaces a leading "~" of the answer.
    InstallPrompt(std::istream& in, std::ostream& out, std::string home);

    // Set before run: shown in the greeting and the proposal.
    TypedValue productName;
    // Set before run: the proposal after a directory that cannot be written; none when empty.
    std::string perUserDirectory;
    // Whether files can be made in a directory (given in the program's texts): by default
    // it is tried, see InstallTarget.h.
    std::function<bool(const std::string&)> acceptsFiles;
    // After an answer of 1: the chosen directory with "~" expanded.
    TypedValue chosenDirectory;

    // Asks until a directory in which files can be made is given (1) or giving up is
    // confirmed (2). An empty line takes the proposal; end of input at the directory
    // question leads to the cancel question, and end of input there gives 2.
    int run();

private:
    // Reads one line; false at end of input.
    bool readLine(std::string& line);
    void write(const std::string& text);
    std::string expandHome(const std::string& path) const;
    // path with the home written as "~".
    std::string abbreviateHome(const std::string& path) const;

    std::istream& in_;
    std::ostream& out_;
    std::string home_;
};
