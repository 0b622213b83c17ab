#pragma once
// The install question on a terminal: greets the user, proposes ~/Programme/<product>
// and asks before giving up. Texts are Windows-1252 inside and UTF-8 on the terminal.

#include "text/TypedValue.h"

#include <istream>
#include <ostream>
#include <string>

class InstallPrompt {
public:
    // home (UTF-8, as the environment gives it) replaces a leading "~" of the answer.
    InstallPrompt(std::istream& in, std::ostream& out, std::string home);

    // Set before run: shown in the greeting and the proposal.
    TypedValue productName;
    // After an answer of 1: the chosen directory with "~" expanded.
    TypedValue chosenDirectory;

    // Asks until a directory is given (1) or giving up is confirmed (2). An empty line
    // takes the proposal; end of input at the directory question leads to the cancel
    // question, and end of input there gives 2.
    int run();

private:
    // Reads one line; false at end of input.
    bool readLine(std::string& line);
    // Answers true when the user confirms giving up or the input has ended.
    bool confirmCancel();
    void write(const std::string& text);
    std::string expandHome(const std::string& path) const;

    std::istream& in_;
    std::ostream& out_;
    std::string home_;
};
