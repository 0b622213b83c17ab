#pragma once
// The two shortcuts "PRODUCT" to an installed product, on the desktop and in the programs
// folder, in one of two forms the maker chooses per release: to the product's program, or
// through the client's copy in the state folder, which updates first and then starts the
// product. The main directory keeps the form it last placed, so that a later release that
// changes it replaces the shortcuts, and so that a start can tell before the listing comes.

#include <string>

enum class StartForm {
    Program,       // target the product's program in the main directory
    ThroughClient, // target the client's copy, arguments "PRODUCT ./PROGRAM"
};

// The form last placed for the main directory that is the current directory.
StartForm PlacedStartForm();

// The same for a main directory given by its path ("/" or "\" separated).
StartForm PlacedStartFormIn(const std::string& mainDirectory);

// Places both shortcuts in form and remembers it. The product's program path is "./" and
// its file. A shortcut into the directory its new target lies in is kept; any other is
// replaced (one of the program form keeps the arguments it had).
void PlaceProductShortcuts(const std::string& product, const std::string& mainDirectory,
                           const std::string& programPath, StartForm form);
