#pragma once
// The arguments the program is started with: the product and its program file.

#include <string>

struct StartupArguments {
    std::string productName;
    std::string programPath; // relative to the product's main directory; empty starts nothing
};

// Reads the first two white-space separated words of the arguments text (blank, tab,
// line feed, vertical tab, form feed, carriage return; quotation marks are ordinary
// characters); further words are ignored. One word leaves the program path empty. A
// text without any word gives the product "Corvid" with "./Corvid.exe".
StartupArguments ReadStartupArguments(const std::string& argumentsText);

// The arguments text of a Windows command line: what follows the program's own path
// (which may be quoted), without the white space behind that path.
std::string ArgumentsAfterProgramPath(const std::string& commandLine);

// The arguments of a POSIX argument vector as one text, for the log: the words after
// argv[0] converted from UTF-8 to Windows-1252, joined by blanks, a word holding white
// space (or nothing) in quotation marks.
std::string ArgumentsFromArgv(int argc, const char* const* argv);
