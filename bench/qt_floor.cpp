// SPDX-License-Identifier: MIT
// The floor under q7ctl's start: a program linked with Qt Core and Qt SerialPort, as q7ctl is, that
// constructs its QCoreApplication and returns. scripts/bench starts it beside q7ctl and a pyserial one-liner.

#include <QCoreApplication>

int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    return 0;
}
