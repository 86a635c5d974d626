// A file's name as a message says it: the user's own words, made safe for a terminal and a window.
#pragma once

#include <string>
#include <string_view>

namespace zandrel {

// `text` with every control character (a terminal sequence's ESC included), and every byte that
// is not UTF-8, replaced by '?', cut after `mostCharacters` characters with "..." after it.
std::string ShownText(std::string_view text,
                      std::size_t mostCharacters = std::string_view::npos);

// A file's name as ShownText shows it, whole: as the data's words are.
std::string ShownName(std::string_view name);

}  // namespace zandrel
