#include "file_names.h"

#include <array>
#include <utility>

namespace zandrel {

namespace {

// The length of the UTF-8 character that `text` starts with, and whether it may be shown: not a
// control character (C0, DEL or C1); a stray or malformed byte is one byte that may not.
std::pair<std::size_t, bool> FirstCharacter(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return {1, lead >= 0x20 && lead != 0x7F};
    }
    const std::size_t length = lead >= 0xF8   ? 0
                               : lead >= 0xF0 ? 4
                               : lead >= 0xE0 ? 3
                               : lead >= 0xC0 ? 2
                                              : 0;
    if (length == 0 || length > text.size()) {
        return {1, false};
    }
    char32_t code = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return {1, false};
        }
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    static constexpr std::array<char32_t, 5> Smallest{{0, 0, 0x80, 0x800, 0x10000}};
    if (code < Smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {1, false};
    }
    return {length, code > 0x9F};
}

}  // namespace

std::string ShownText(std::string_view text, std::size_t mostCharacters) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t count = 0; !text.empty(); ++count) {
        if (count == mostCharacters) {
            return shown + "...";
        }
        const auto [length, printable] = FirstCharacter(text);
        shown += printable ? text.substr(0, length) : std::string_view("?");
        text.remove_prefix(length);
    }
    return shown;
}

std::string ShownName(std::string_view name) { return ShownText(name); }

}  // namespace zandrel
