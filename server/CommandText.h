#pragma once
// The command text a client posts: client number, one space, command number, one space,
// then the fields, each ended by byte 03.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CommandText {
    std::uint32_t client = 0;
    std::uint32_t command = 0;
    std::vector<std::string> fields;
};

// The parsed command, or none when the text does not have that form: numbers of one to
// nine digits, single spaces, and no bytes after the last field's terminator.
std::optional<CommandText> ParseCommandText(std::string_view text);
