// Fuzzes the reader of measurement files: whatever the text, the result is a MeasurementError
// naming a line or refusing the whole file for its encoding or its CSV's unit, or at least five
// finite points with rising frequencies on a positive reference
// that the Touchstone writer writes and the reader reads back exactly.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "measurement_error.h"
#include "one_port.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool Finite(std::complex<double> value) {
    return std::isfinite(value.real()) && std::isfinite(value.imag());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zandrel::Measurement measurement;
    try {
        measurement = zandrel::ReadMeasurement(text);
    } catch (const zandrel::MeasurementError& error) {
        Require(error.Kind() == zandrel::MeasurementErrorKind::Unreadable);
        Require(error.Detail().starts_with("line ") ||
                error.Detail().starts_with("saved as UTF-16: ") ||
                error.Detail().starts_with("every frequency is below 100000 Hz: "));
        return 0;
    }
    Require(measurement.Points.size() >= 5);
    Require(measurement.ReferenceOhm > 0.0 && std::isfinite(measurement.ReferenceOhm));
    for (std::size_t i = 0; i < measurement.Points.size(); ++i) {
        const zandrel::MeasuredPoint& point = measurement.Points[i];
        Require(std::isfinite(point.FrequencyMHz) && point.FrequencyMHz >= 0.0);
        Require(i == 0 || point.FrequencyMHz > measurement.Points[i - 1].FrequencyMHz);
        Require(Finite(point.Reflection));
    }
    const zandrel::Measurement again = zandrel::ReadMeasurement(
        zandrel::WriteTouchstone(measurement, {std::string(text.substr(0, 80))}));
    Require(again.ReferenceOhm == measurement.ReferenceOhm);
    Require(again.Points.size() == measurement.Points.size());
    for (std::size_t i = 0; i < again.Points.size(); ++i) {
        Require(again.Points[i].FrequencyMHz == measurement.Points[i].FrequencyMHz);
        Require(again.Points[i].Reflection == measurement.Points[i].Reflection);
    }
    return 0;
}
