// A file's name as a message says it: the user's own words, made safe for a terminal and a window.
#pragma once

#include <string>
#include <string_view>

namespace zandrel {

// `name` with every control character (a terminal sequence's ESC included), and every byte that
// is not UTF-8, replaced by '?', as the data's words are.
std::string ShownName(std::string_view name);

}  // namespace zandrel
