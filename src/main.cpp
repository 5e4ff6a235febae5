// SPDX-License-Identifier: MIT
#include "link/command_line.h"
#include "link/qt_serial_port.h"
#include "panel/form.h"
#include "panel/qt_window.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The name it is installed under, not the path it was started by: the manual page is made from this text.
    std::string program = argc > 0 ? std::filesystem::path(argv[0]).filename().string() : "";
    if (program.empty()) program = "q7panel";
    const q7::CommandLine options = q7::parseCommandLine(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), options.error.c_str(),
                     q7::usageText(program).c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(q7::usageText(program).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", program.c_str(), Q7_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    // The desktop entry's name: a dock shows the entry's icon for this window.
    QGuiApplication::setDesktopFileName(QStringLiteral(Q7_DESKTOP_ID));
    q7::QtSerialPort port(options.com1.value_or(q7::defaultDevice(1)),
                          options.com2.value_or(q7::defaultDevice(2)));
    q7::QtWindow window(port);
    q7::Form1 form(window);
    window.attach(form);
    port.setReceiveHandler([&form](int eventCode) { form.comm(eventCode); });
    port.setLostHandler([&form] { form.portLost(); });
    form.load();
    window.window()->show();
    return QApplication::exec();
}
