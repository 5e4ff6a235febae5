// SPDX-License-Identifier: MIT
// Finding the ports: by-id links resolved, and --list-ports answered by a process with no display.
#include "qt/core/port_discovery.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
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

TEST(PortDiscovery, ListPortsNeedsNoDisplay) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " Q7PANEL_PATH
                                " --list-ports --com2 /dev/pts/99 2>&1";
    FILE* out = ::popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        text.append(buffer, n);
    const int status = ::pclose(out);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << text;
    // Which ports this machine has differs; the shape of the answer does not.
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    ASSERT_GE(lines.size(), 3u) << text;
    const bool none = lines[0] == "No serial port was found on this computer.";
    EXPECT_TRUE(none ? lines.size() == 3 : lines[0] == "Serial ports on this computer:") << text;
    for (std::size_t i = 1; i + 2 < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind("  /dev/", 0), 0u) << text;
    EXPECT_EQ(lines[lines.size() - 2].rfind("Port 1: /dev/", 0), 0u) << text;
    EXPECT_EQ(lines.back(), "Port 2: /dev/pts/99 (--com2)");
    EXPECT_EQ(text.back(), '\n');
}

} // namespace
} // namespace q7::test
