#pragma once
// The text of a settings file: "[section]" lines, each followed by "entry=text" lines.
// The file text is UTF-8; names and texts given and returned are Windows-1252. Names
// match without regard to letter case, as registry names do; lines the reader does not
// understand (comments, blank lines, other content) are kept as they are.

#include <optional>
#include <string>

// Why name cannot be a section or entry name of the file (for a diagnostic); empty when
// it can.
std::string IniNameProblem(const std::string& name);

// Why text cannot be stored as an entry's text; empty when it can.
std::string IniTextProblem(const std::string& text);

// The text of the first entry of that name in the first section of that name.
std::optional<std::string> FindIniEntry(const std::string& fileText, const std::string& section,
                                        const std::string& entry);

// fileText with the entry set to text: an existing entry keeps its line and the spelling
// of its name; a new entry goes behind the last entry of its section; a missing section
// is added at the end. Names and text must have passed the checks above.
std::string SetIniEntry(const std::string& fileText, const std::string& section, const std::string& entry,
                        const std::string& text);

// fileText without the entry's line (the first entry of that name in the first section
// of that name); unchanged when there is none. The section's header stays.
std::string RemoveIniEntry(const std::string& fileText, const std::string& section, const std::string& entry);
