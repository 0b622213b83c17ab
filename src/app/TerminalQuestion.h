#pragma once
// A yes-or-no question on a terminal, answered as the install prompt's questions are:
// "j"/"ja" or "n"/"nein" (either letter case of the first letter). Texts are Windows-1252
// inside and UTF-8 on the terminal.

#include <istream>
#include <ostream>
#include <string>

// Writes question and " [j/n]: " until an answer is given; true for yes. An end of input
// answers no.
bool AskYesNo(std::istream& in, std::ostream& out, const std::string& question);
