// Fuzzes text -> compute -> format for every style, and checks the text reader against the C
// library's correctly rounded one.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "helix_dimensions.h"
#include "numeric.h"
#include "numeric_error.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckReaderAgreesWithStrtof(const std::string& text) {
    float ours = 0.0f;
    try {
        ours = zandrel::TextToSingle(text);
    } catch (const zandrel::NumericError& error) {
        Require(error.Kind() == zandrel::NumericErrorKind::TypeMismatch ||
                error.Kind() == zandrel::NumericErrorKind::Overflow);
        return;
    }
    const float theirs = std::strtof(text.c_str(), nullptr);
    Require(ours == theirs && std::signbit(ours) == std::signbit(theirs));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckReaderAgreesWithStrtof(text);
    for (const zandrel::StyleEntry& entry : zandrel::Styles) {
        zandrel::HelixDimensions dimensions;
        try {
            zandrel::ComputeHelixDimensions(text, entry.Constants, dimensions);
        } catch (const zandrel::RuntimeError&) {
            continue;
        }
        for (const zandrel::DisplayedDimension& shown : zandrel::DisplayOrder) {
            const float value = dimensions.*shown.Field;
            const std::string shownText = zandrel::FormatDimension(value);
            Require(!shownText.empty() && shownText.size() <= 13);
            // What the box shows reads back as the rounded single, to seven digits.
            const float back = zandrel::TextToSingle(shownText);
            const float rounded = zandrel::Round(value, 2);
            Require(std::fabs(back - rounded) <= std::fabs(rounded) * 1e-6f);
        }
    }
    return 0;
}
