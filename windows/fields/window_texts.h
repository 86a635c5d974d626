// The texts of the calculator, the model and the sheet, which are UTF-8, as the windows show them.
#pragma once

#include <QString>
#include <string_view>

namespace zandrel {

inline QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace zandrel
