// Finding a NanoVNA by its USB identity (VID:PID 0483:5740) among the machine's serial ports.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zandrel {

// The serial ports, as /dev paths, whose USB device is a NanoVNA, sorted: each tty in
// `sys`/class/tty whose device, or a parent of it, has idVendor 0483 and idProduct 5740.
std::vector<std::string> FindNanoVnas(const std::filesystem::path& sys = "/sys",
                                      const std::filesystem::path& dev = "/dev");

// `device` itself, or for "auto" the one NanoVNA found. Raises VnaError(NotFound) when there is
// none, or several, naming them.
std::string ChooseVnaPort(const std::string& device, const std::filesystem::path& sys = "/sys",
                          const std::filesystem::path& dev = "/dev");

}  // namespace zandrel
