// SPDX-License-Identifier: MIT
// Finding the ports: by-id links resolved.
#include "qt/core/port_discovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace q7::test {
namespace {

namespace fs = std::filesystem;

TEST(PortDiscovery, ByIdLinksLeadToTheirDevices) {
    const fs::path dir = fs::temp_directory_path() / ("q7-by-id-" + std::to_string(::getpid()));
    fs::create_directories(dir / "by-id");
    std::ofstream(dir / "ttyUSB0");
    std::ofstream(dir / "ttyUSB1");
    // Two links to one device: the first by name stands for it. A dangling link stands for nothing.
    for (const auto& [link, target] : {std::pair{"usb-B", "ttyUSB0"}, std::pair{"usb-A", "ttyUSB0"},
                                       std::pair{"usb-C", "ttyUSB1"}, std::pair{"usb-D", "ttyUSB7"}})
        fs::create_symlink(dir / target, dir / "by-id" / link);
    const std::string d = fs::canonical(dir).string();
    EXPECT_EQ(linksByTarget((dir / "by-id").string()),
              (std::map<std::string, std::string>{{d + "/ttyUSB0", dir.string() + "/by-id/usb-A"},
                                                  {d + "/ttyUSB1", dir.string() + "/by-id/usb-C"}}));
    EXPECT_TRUE(linksByTarget((dir / "missing").string()).empty());
    fs::remove_all(dir);
}

} // namespace
} // namespace q7::test
