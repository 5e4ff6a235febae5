// SPDX-License-Identifier: MIT
#include "qt/qt_serial_port.h"

#include "qt/port_discovery.h"
#include "qt/process_end.h"

#include <QDeadlineTimer>
#include <QThread>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace q7 {

namespace {

constexpr std::pair<Parity, QSerialPort::Parity> kParities[] = {{Parity::None, QSerialPort::NoParity},
                                                                {Parity::Even, QSerialPort::EvenParity},
                                                                {Parity::Odd, QSerialPort::OddParity},
                                                                {Parity::Mark, QSerialPort::MarkParity},
                                                                {Parity::Space, QSerialPort::SpaceParity}};

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A wrong guess at a device's name is answered with the names there are.
std::string noSuchDevice() {
    return std::string(QtSerialPort::kNoSuchDevice) + ". " + portsPresentText(presentSerialPorts());
}

} // namespace

std::string defaultDevice(int port) {
#ifdef Q_OS_WIN
    return port == 2 ? "COM2" : "COM1";
#else
    return port == 2 ? "/dev/ttyS1" : "/dev/ttyS0";
#endif
}

QtSerialPort::QtSerialPort(std::string device1, std::string device2)
    : devices_{std::move(device1), std::move(device2)}, addresses_{parsePortAddress(devices_[0]).address,
                                                                   parsePortAddress(devices_[1]).address} {
    connect(&net_, &NetworkLine::received, this, [this] {
        later([this] {
            if (net_.isOpen() && !net_.isConnecting()) emit comm(kCommEventReceive);
        });
    });
    connect(&net_, &NetworkLine::opened, this, [this] {
        later([this] {
            if (net_.isOpen() && !net_.isConnecting()) emit portOpened();
        });
    });
    connect(&net_, &NetworkLine::openFailed, this, [this](const std::string& error) {
        later([this, error] {
            if (!net_.isOpen()) emit portOpenFailed(error);
        });
    });
    connect(&net_, &NetworkLine::lost, this, [this] {
        later([this] {
            if (!net_.isOpen()) emit portLost();
        });
    });
    connect(&net_, &NetworkLine::settingsFailed, this,
            [this](const std::string& error) { later([this, error] { emit settingsFailed(error); }); });
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        // Bytes read while close() lets the output leave are dropped with the port; the form must not be
        // re-entered from inside one of its own handlers.
        if (!closing_) emit comm(kCommEventReceive);
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort() {
    blockSignals(true);
    close();
}

void connectPortEvents(QtSerialPort& port, PortEvents& events) {
    QObject::connect(&port, &QtSerialPort::comm, &port, [&events](int eventCode) { events.comm(eventCode); });
    QObject::connect(&port, &QtSerialPort::portLost, &port, [&events] { events.portLost(); });
    QObject::connect(&port, &QtSerialPort::portOpened, &port, [&events] { events.portOpened(); });
    QObject::connect(&port, &QtSerialPort::portOpenFailed, &port,
                     [&events](const std::string& error) { events.portOpenFailed(error); });
    QObject::connect(&port, &QtSerialPort::settingsFailed, &port,
                     [&events](const std::string& error) { events.settingsFailed(error); });
}

void QtSerialPort::later(std::function<void()> event) {
    QMetaObject::invokeMethod(this, std::move(event), Qt::QueuedConnection);
}

void QtSerialPort::setPortNumber(int port) {
    if (!isOpen()) portNumber_ = port;
}
int QtSerialPort::portNumber() const {
    return portNumber_;
}
std::string QtSerialPort::deviceName() const {
    return devices_[portNumber_ == 2 ? 1 : 0];
}

bool QtSerialPort::applySettings(const std::string& settings, std::string* error) {
    const auto refuse = [&](const std::string& why) {
        if (error) *error = "The line settings " + quoted(settings) + " cannot be used: " + why + ".";
        return false;
    };
    const ParsedLineSettings parsed = parseLineSettings(settings);
    if (!parsed.error.empty()) return refuse(parsed.error);
#ifndef Q_OS_WIN
    // termios has no 1.5 stop bits; QSerialPort would quietly send 1.
    if (parsed.line.stopBits == StopBits::OneAndHalf)
        return refuse("1.5 stop bits cannot be set on this system");
#endif

    line_ = parsed.line;
    settingsText_ = settings;
    if (onNetwork()) {
        net_.setLine(line_);
        return true;
    }
    if (!port_.isOpen() || configure(line_)) return true;
    if (error)
        *error = describeFailure("Cannot apply the line settings " + quoted(settings) + " to",
                                 "the device does not support them");
    return false;
}

// On a closed port QSerialPort only records the values and applies them all when it opens.
bool QtSerialPort::configure(const LineSettings& line) {
    auto parity = QSerialPort::NoParity;
    for (const auto& [ours, qts] : kParities)
        if (ours == line.parity) parity = qts;
    const auto stopBits = line.stopBits == StopBits::Two          ? QSerialPort::TwoStop
                          : line.stopBits == StopBits::OneAndHalf ? QSerialPort::OneAndHalfStop
                                                                  : QSerialPort::OneStop;
    return port_.setBaudRate(line.speed) && port_.setParity(parity) &&
           port_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)) &&
           port_.setStopBits(stopBits) && port_.setFlowControl(QSerialPort::NoFlowControl);
}

bool QtSerialPort::open(std::string* error) {
    if (isOpen()) return true;
    if (onNetwork()) {
        net_.open(address(), line_);
        return true;
    }
    std::string device = deviceName();
#ifdef Q_OS_UNIX
    // The lock that keeps a second program off the line is named after the device: resolved afresh at every
    // open, so that two names of one device (a link, which may since point elsewhere) share one lock. The
    // name is checked here, before the port service takes it for a lock file's name and blames another
    // program for what is a missing device or an overlong name.
    if (char* resolved = ::realpath(device.c_str(), nullptr)) {
        device = resolved;
        std::free(resolved);
    } else {
        const int why = errno;
        if (error)
            *error = "Cannot open " + deviceName() + ": " +
                     (why == ENAMETOOLONG               ? std::string(kNameTooLong)
                      : why == ENOENT || why == ENOTDIR ? noSuchDevice()
                                                        : std::string(std::strerror(why))) +
                     ".";
        return false;
    }
    if (lockFileName(device).size() > NAME_MAX) {
        if (error) *error = "Cannot open " + deviceName() + ": " + kNameTooLong + ".";
        return false;
    }
#endif
    port_.setPortName(QString::fromStdString(device));
    configure(line_);
    if (port_.open(QIODevice::ReadWrite)) {
        ++opens_;
        return true;
    }
    if (error)
        *error =
            describeFailure("Cannot open", "it is no serial port, or it does not take the line settings " +
                                               quoted(settingsText_));
    return false;
}

// The name of the lock file that the port service creates for a device (UUCP style, as Qt does).
std::string QtSerialPort::lockFileName(const std::string& device) {
    std::string name = device.rfind("/dev/", 0) == 0 ? device.substr(5) : device;
    std::replace(name.begin(), name.end(), '/', '_');
    return "LCK.." + name;
}

// errorString() is often stale (a hang-up reads "Inappropriate ioctl for device"), so the reason is written
// from the error kind.
std::string QtSerialPort::describeFailure(const std::string& action, const std::string& unsupported) const {
    const std::string device = deviceName();
    std::string reason;
    switch (port_.error()) {
    case QSerialPort::DeviceNotFoundError:
        reason = noSuchDevice();
        break;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // Qt reports a device that another program has locked as a permission error too.
        if (::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
            reason = "permission denied; the user must be in the dialout group "
                     "(sudo adduser $USER dialout, then log in again)";
        else
            reason = "the device is in use by another program";
#else
        reason = "the device is in use by another program, or access is denied";
#endif
        break;
    case QSerialPort::UnsupportedOperationError:
        reason = unsupported;
        break;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        reason = "the device is not available (was it unplugged?)";
        break;
    case QSerialPort::OpenError:
        reason = "the port is already open";
        break;
    default:
        reason = port_.errorString().toStdString();
        break;
    }
    return action + " " + device + ": " + reason + ".";
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError &&
        error != QSerialPort::ResourceError)
        return;
    // The guard matters: close() on a closed port reports NotOpenError, and a failing close would report
    // again from inside this handler.
    if (!port_.isOpen() || closing_) return;
    closing_ = true;
    port_.close();
    closing_ = false;
    // From the event loop, so the form never runs inside one of its own calls to the port.
    QMetaObject::invokeMethod(
        this,
        [this, lostOpen = opens_] {
            if (!port_.isOpen() && opens_ == lostOpen) emit portLost();
        },
        Qt::QueuedConnection);
}

bool QtSerialPort::isConnecting() const {
    return net_.isConnecting();
}

void QtSerialPort::close() {
    net_.close(kCloseDrainMs);
    if (!port_.isOpen() || closing_) return;
    closing_ = true;
    // Let the last frames leave, bounded: QSerialPort's own buffer first, then the driver's queue, which
    // QSerialPort would otherwise cut short by restoring the old line settings on close.
    const QDeadlineTimer deadline(kCloseDrainMs);
    while (port_.bytesToWrite() > 0 && !deadline.hasExpired())
        if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
    while (driverQueue() > 0 && !deadline.hasExpired())
        QThread::msleep(1);
    if (port_.isOpen()) port_.close();
    closing_ = false;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen() || net_.isOpen();
}

bool QtSerialPort::write(const std::string& bytes) {
    // Once the process has been told to end, no new frame goes out: a held button's repeat stops at once.
    if (ProcessEnd::requested()) return false;
    if (net_.isOpen()) return net_.write(bytes);
    if (!port_.isOpen()) return false;
    const qint64 size = static_cast<qint64>(bytes.size());
    if (port_.write(bytes.data(), size) != size) return false;
    // Hand the frame to the driver now rather than on the next pass of the event loop, behind pending paints:
    // a click reaches the wire at once. flush() never blocks.
    port_.flush();
    return true;
}

std::string QtSerialPort::readAll() {
    if (net_.isOpen()) return net_.readAll();
    if (!port_.isOpen()) return {};
    const QByteArray data = port_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

std::size_t QtSerialPort::pendingOutput() const {
    if (net_.isOpen()) return net_.pendingOutput();
    if (!port_.isOpen()) return 0;
    return static_cast<std::size_t>(port_.bytesToWrite()) + driverQueue();
}

std::size_t QtSerialPort::driverQueue() const {
#ifdef Q_OS_LINUX
    int queued = 0;
    if (port_.isOpen() && ::ioctl(port_.handle(), TIOCOUTQ, &queued) == 0 && queued > 0)
        return static_cast<std::size_t>(queued);
#endif
    return 0;
}

} // namespace q7
