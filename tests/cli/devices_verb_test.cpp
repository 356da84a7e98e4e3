// `rv720 devices`: the converters and ports it lists and whether the controller's
// can be opened.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "cli/devices_verb.h"
#include "support/backend_fakes.h"

namespace rv720 {
namespace {

using namespace rv720::test;
using Lines = std::vector<std::string>;

TEST(DevicesVerb, ListsConvertersAndPortsAndWhetherTheControllerCanBeOpened) {
    ScriptedLibFtdi fake;
    fake.converters = {converter("FT232R USB UART", "A1", 2),
                       converter(kDeviceDescription, "B2", 3, "/dev/ttyUSB1")};
    const std::vector<SerialPortEntry> ports = {
        {"/dev/ttyS0", "", "", 0, 0},
        {"/dev/ttyUSB1", "Quellbrandtor_RV720", "B2", 0x0403, 0x6001}};
    FakeProbe probe;
    probe.nodes["/dev/ttyS0"] = {true, false, "dialout"};
    probe.holders["/dev/ttyUSB1"] = "minicom, pid 812";

    auto run = [&](std::vector<AttachedDevice> devices) {
        std::ostringstream out, err;
        FixedClock clock;
        cli::Io io{out, err, clock};
        const int status = cli::runDevices({}, io, devices);
        return std::tuple{status, out.str(), err.str()};
    };
    const auto [status, out, err] = run(attachedDevices(&fake, ports, probe));
    EXPECT_EQ(status, 1);  // the controller's converter is there, but minicom has it
    EXPECT_EQ(
        out,
        "ftdi    USB 001/002   \"FT232R USB UART\"      serial A1  other       can be opened\n"
        "ftdi    USB 001/003   \"Quellbrandtor RV720\"  serial B2  controller  held by "
        "another program (minicom, pid 812)\n"
        "serial  /dev/ttyS0    \"\"                     serial -   other       no permission - "
        "install the udev rule 60-rv720.rules (make install-udev) or join group dialout\n"
        "serial  /dev/ttyUSB1  \"Quellbrandtor_RV720\"  serial B2  controller  held by "
        "another program (minicom, pid 812)\n");
    EXPECT_EQ(err, "rv720 devices: the controller's converter cannot be opened\n");

    probe.holders.clear();
    EXPECT_EQ(std::get<0>(run(attachedDevices(&fake, ports, probe))), 0);
    fake.converters.pop_back();
    const auto [noneStatus, noneOut, noneErr] = run(attachedDevices(&fake, {ports[0]}, probe));
    EXPECT_EQ(noneStatus, 1);
    EXPECT_TRUE(noneOut.ends_with("\nCan't find USB device\n")) << noneOut;
}

}  // namespace
}  // namespace rv720
