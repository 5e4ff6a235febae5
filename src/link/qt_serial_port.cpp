// SPDX-License-Identifier: MIT
#include "link/qt_serial_port.h"

namespace q7 {

std::string defaultDevice(int port) {
#ifdef Q_OS_WIN
    return port == 2 ? "COM2" : "COM1";
#else
    return port == 2 ? "/dev/ttyS1" : "/dev/ttyS0";
#endif
}

QtSerialPort::QtSerialPort(std::string device1, std::string device2)
    : devices_{std::move(device1), std::move(device2)} {
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (onReceive_) onReceive_(2);
    });
}
QtSerialPort::~QtSerialPort() = default;
void QtSerialPort::setReceiveHandler(std::function<void(int)> handler) { onReceive_ = std::move(handler); }
void QtSerialPort::setLostHandler(std::function<void()> handler) { onLost_ = std::move(handler); }
void QtSerialPort::setPortNumber(int port) { portNumber_ = port; }
int QtSerialPort::portNumber() const { return portNumber_; }
std::string QtSerialPort::deviceName() const { return devices_[portNumber_ == 2 ? 1 : 0]; }
bool QtSerialPort::applySettings(const std::string&, std::string*) { return true; }
bool QtSerialPort::open(std::string* error) {
    port_.setPortName(QString::fromStdString(deviceName()));
    if (port_.open(QIODevice::ReadWrite)) return true;
    if (error) *error = "Cannot open " + deviceName();
    return false;
}
void QtSerialPort::close() {
    if (port_.isOpen()) port_.close();
}
bool QtSerialPort::isOpen() const { return port_.isOpen(); }
bool QtSerialPort::write(const std::string& bytes) {
    if (!port_.isOpen()) return false;
    return port_.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}
std::string QtSerialPort::readAll() {
    const QByteArray data = port_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}
std::size_t QtSerialPort::pendingOutput() const { return static_cast<std::size_t>(port_.bytesToWrite()); }

} // namespace q7
