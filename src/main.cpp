// SPDX-License-Identifier: MIT
// Wires the form to the Qt window and serial port.
#include "link/command_line.h"
#include "panel/form.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_window.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string program = argc > 0 ? argv[0] : "q7panel";
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

    QApplication app(argc, argv);
    q7::QtSerialPort port(options.com1.value_or(q7::defaultDevice(1)),
                          options.com2.value_or(q7::defaultDevice(2)));
    q7::QtWindow window(port);
    q7::Form1 form(window);
    window.attach(form);
    q7::connectPortEvents(port, form);
    form.load();
    window.window()->show();
    return QApplication::exec();
}
