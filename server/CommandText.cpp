#include "CommandText.h"

#include "text/CharClass.h"
#include "text/Field.h"

namespace {

// Reads a number of one to nine digits followed by one space.
std::optional<std::uint32_t> ReadNumber(std::string_view& text)
{
    constexpr std::size_t kLongest = 9;
    std::size_t digits = 0;
    std::uint32_t value = 0;
    while (digits < text.size() && IsDigit(text[digits])) {
        if (digits == kLongest)
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(text[digits] - '0');
        ++digits;
    }
    if (digits == 0 || digits >= text.size() || text[digits] != ' ')
        return std::nullopt;
    text.remove_prefix(digits + 1);
    return value;
}

} // namespace

std::optional<CommandText> ParseCommandText(std::string_view text)
{
    CommandText command;
    const auto client = ReadNumber(text);
    if (!client)
        return std::nullopt;
    const auto number = ReadNumber(text);
    if (!number)
        return std::nullopt;
    command.client = *client;
    command.command = *number;
    while (!text.empty()) {
        const std::size_t end = text.find(kFieldTerminator);
        if (end == std::string_view::npos)
            return std::nullopt;
        command.fields.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return command;
}
