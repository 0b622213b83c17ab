#pragma once
// A reader of PEM blocks ("-----BEGIN label-----" base64 "-----END label-----").

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The decoded bytes of every block of the given label in text, in order; text outside those
// blocks is ignored. Inside a block, line breaks, spaces and tabs may stand between the
// symbols. Empty (not an empty list) when a block has no end or its base64 is not canonical.
std::optional<std::vector<std::string>> ReadPemBlocks(std::string_view text, std::string_view label);
