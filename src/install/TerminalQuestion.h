#pragma once
// A yes-or-no question on a terminal, as the install prompt and the removal ask it:
// "j"/"ja" or "n"/"nein" (either letter case of the first letter). Texts are Windows-1252
// inside and UTF-8 on the terminal.

#include <istream>
#include <ostream>
#include <string>

// Writes question and " [j/n]: " until an answer is given; true for yes. An end of input
// gives atEnd: no, unless the question says otherwise.
bool AskYesNo(std::istream& in, std::ostream& out, const std::string& question, bool atEnd = false);
