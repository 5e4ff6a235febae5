// SPDX-License-Identifier: MIT
#pragma once
// The serial-port service on QSerialPort. Port 1 and port 2 are device names.

#include "panel/window_services.h"

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <string>

namespace q7 {

std::string defaultDevice(int port);

class QtSerialPort final : public QObject, public SerialPort {
    Q_OBJECT
public:
    QtSerialPort(std::string device1, std::string device2);
    ~QtSerialPort() override;

    // Raised on the user-interface thread: characters are waiting (event code 2); the device went away.
    void setReceiveHandler(std::function<void(int eventCode)> handler);
    void setLostHandler(std::function<void()> handler);

    void setPortNumber(int port) override;
    int portNumber() const override;
    std::string deviceName() const override;
    bool applySettings(const std::string& settings, std::string* error) override;
    bool open(std::string* error) override;
    void close() override;
    bool isOpen() const override;
    bool write(const std::string& bytes) override;
    std::string readAll() override;
    std::size_t pendingOutput() const override;

private:
    QSerialPort port_;
    std::string devices_[2];
    int portNumber_ = 1;
    std::function<void(int)> onReceive_;
    std::function<void()> onLost_;
};

} // namespace q7
