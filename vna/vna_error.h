// The run-time errors of measuring with a VNA on a serial port.
#pragma once

#include "runtime_error.h"

namespace zandrel {

enum class VnaErrorKind {
    PortNotOpened,  // the port cannot be opened or set up; the detail says why
    NoAnswer,       // nothing, or not all that was expected, within the time limit
    Refused,        // the device answered a command with "usage:"
    Garbled,        // a line that is not what the protocol sends
    OtherProtocol,  // a binary answer: a device that speaks another protocol
    Disconnected,   // the line closed before the answer was complete
    NotFound,       // --vna auto found no device, or several
    Stopped,        // a signal or Cancel stopped the sweep
};

template <>
struct ErrorKindTable<VnaErrorKind> {
    static constexpr std::array<ErrorKindEntry<VnaErrorKind>, 8> Entries{{
        {VnaErrorKind::PortNotOpened, 1301, "The VNA's port could not be opened"},
        {VnaErrorKind::NoAnswer, 1302, "The VNA did not answer in time"},
        {VnaErrorKind::Refused, 1303, "The VNA refused the command"},
        {VnaErrorKind::Garbled, 1304, "The VNA's answer could not be read"},
        {VnaErrorKind::OtherProtocol, 1305, "The device does not speak the NanoVNA's text shell"},
        {VnaErrorKind::Disconnected, 1306, "The VNA was disconnected"},
        {VnaErrorKind::NotFound, 1307, "No single NanoVNA was found"},
        {VnaErrorKind::Stopped, 1308, "The sweep was stopped"},
    }};
};

extern template class LayerError<VnaErrorKind>;
using VnaError = LayerError<VnaErrorKind>;

}  // namespace zandrel
