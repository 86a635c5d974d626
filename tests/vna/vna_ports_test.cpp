// Finding a NanoVNA by its USB identity in a sysfs tree of the test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "vna_error.h"
#include "vna_ports.h"

namespace {

namespace fs = std::filesystem;
using namespace zandrel;

class VnaPorts : public testing::Test {
  protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "zandrel2-sysfs-XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        sys_ = name;
        fs::create_directories(sys_ / "class" / "tty");
    }
    void TearDown() override { fs::remove_all(sys_); }

    // A tty whose USB device, two folders above its interface, has the identity given.
    void AddTty(const std::string& name, const std::string& vendor, const std::string& product) {
        const fs::path usb = sys_ / "devices" / ("usb-" + name);
        fs::create_directories(usb / "interface" / "tty" / name);
        std::ofstream(usb / "idVendor") << vendor << "\n";
        std::ofstream(usb / "idProduct") << product << "\n";
        fs::create_directories(sys_ / "class" / "tty" / name);
        fs::create_directory_symlink(usb / "interface", sys_ / "class" / "tty" / name / "device");
    }

    fs::path sys_;
};

TEST_F(VnaPorts, FindsTheNanoVnaAmongOtherSerialPorts) {
    AddTty("ttyACM0", "1a86", "7523");
    AddTty("ttyACM1", "0483", "5740");
    fs::create_directories(sys_ / "class" / "tty" / "tty0");  // no device
    EXPECT_EQ(FindNanoVnas(sys_, "/dev"), std::vector<std::string>{"/dev/ttyACM1"});
    EXPECT_EQ(ChooseVnaPort("auto", sys_, "/dev"), "/dev/ttyACM1");
    EXPECT_EQ(ChooseVnaPort("/dev/ttyUSB3", sys_, "/dev"), "/dev/ttyUSB3");
}

TEST_F(VnaPorts, SaysPlainlyWhenThereIsNoneOrSeveral) {
    try {
        ChooseVnaPort("auto", sys_, "/dev");
        FAIL();
    } catch (const VnaError& error) {
        EXPECT_EQ(error.Kind(), VnaErrorKind::NotFound);
        EXPECT_NE(error.Detail().find("found no serial port of USB device 0483:5740"),
                  std::string::npos);
    }
    AddTty("ttyACM0", "0483", "5740");
    AddTty("ttyACM2", "0483", "5740");
    try {
        ChooseVnaPort("auto", sys_, "/dev");
        FAIL();
    } catch (const VnaError& error) {
        EXPECT_EQ(error.Kind(), VnaErrorKind::NotFound);
        EXPECT_EQ(error.Detail(),
                  "--vna auto found 2 NanoVNAs (/dev/ttyACM0, /dev/ttyACM2): give "
                  "the one to use with --vna DEVICE");
    }
}

}  // namespace
