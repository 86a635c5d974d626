#include "vna_ports.h"

#include <algorithm>
#include <fstream>

#include "vna_error.h"

namespace zandrel {

namespace {

namespace fs = std::filesystem;

std::string FirstWord(const fs::path& file) {
    std::ifstream stream(file);
    std::string word;
    stream >> word;
    return word;
}

bool IsNanoVna(const fs::path& device, const fs::path& sys) {
    std::error_code error;
    fs::path at = fs::canonical(device, error);
    const fs::path root = fs::canonical(sys, error);
    if (error) {
        return false;
    }
    for (; !at.empty() && at != root && at != at.root_path(); at = at.parent_path()) {
        if (fs::exists(at / "idVendor", error)) {
            return FirstWord(at / "idVendor") == "0483" && FirstWord(at / "idProduct") == "5740";
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> FindNanoVnas(const fs::path& sys, const fs::path& dev) {
    std::vector<std::string> found;
    std::error_code error;
    for (const fs::directory_entry& tty : fs::directory_iterator(sys / "class" / "tty", error)) {
        if (IsNanoVna(tty.path() / "device", sys)) {
            found.push_back((dev / tty.path().filename()).string());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string ChooseVnaPort(const std::string& device, const fs::path& sys, const fs::path& dev) {
    if (device != "auto") {
        return device;
    }
    const std::vector<std::string> found = FindNanoVnas(sys, dev);
    if (found.empty()) {
        throw VnaError(VnaErrorKind::NotFound,
                       "--vna auto found no serial port of USB device 0483:5740 in " +
                           (sys / "class" / "tty").string() +
                           ": is the NanoVNA plugged in and switched on?");
    }
    if (found.size() > 1) {
        std::string names;
        for (const std::string& name : found) {
            names += (names.empty() ? "" : ", ") + name;
        }
        throw VnaError(VnaErrorKind::NotFound, "--vna auto found " + std::to_string(found.size()) +
                                                   " NanoVNAs (" + names +
                                                   "): give the one to use with --vna DEVICE");
    }
    return found.front();
}

}  // namespace zandrel
