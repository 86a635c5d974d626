// What the commands print: rows of texts in columns, and a number that may be missing as JSON.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

// The columns a text takes on a terminal: its UTF-8 characters ("°" is one).
std::size_t TextWidth(std::string_view text);

// Rows of texts as columns two spaces apart, left-aligned, the last of each row unpadded.
void PrintAligned(const std::vector<std::vector<std::string>>& rows);

// Rows of texts as columns two spaces apart, the first `left` of them left-aligned and the rest
// right-aligned.
void PrintColumns(const std::vector<std::vector<std::string>>& rows, std::size_t left = 1);

// The number, or null when there is none.
nlohmann::ordered_json OptionalJson(const std::optional<double>& value);

}  // namespace zandrel
