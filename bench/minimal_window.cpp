// SPDX-License-Identifier: MIT
// The least a Qt Widgets program does to show a window: the floor under the panel's start-up time and memory
// on the same machine, measured by the same probe.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal Qt window"));
    window.resize(560, 600);
    window.show();
    return QApplication::exec();
}
