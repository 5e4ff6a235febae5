// SPDX-License-Identifier: MIT
#include "qt/core/qt_line.h"

#include "link/lock_file.h"
#include "qt/core/port_discovery.h"

#include <QDeadlineTimer>
#include <QSysInfo>
#include <QThread>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <QtCore/qt_windows.h>
#include <map>
#include <mutex>
#endif

namespace q7 {

namespace {

// In the order of Parity.
constexpr QSerialPort::Parity kParities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                             QSerialPort::OddParity, QSerialPort::MarkParity,
                                             QSerialPort::SpaceParity};

// A wrong guess at a device's name is answered with the names there are.
Message noSuchDevice() {
#ifdef Q_OS_WIN
    return Message(Text::q7tr("the port does not exist (is the adapter plugged in? Device Manager lists the "
                              "ports under Ports (COM & LPT)). %1"),
                   {portsPresentText(presentSerialPorts())});
#else
    return Message(
        Text::q7tr("the device does not exist (is the adapter plugged in, is the name right?). %1"),
        {portsPresentText(presentSerialPorts())});
#endif
}

Message notAvailable() {
#ifdef Q_OS_WIN
    return Message(Text::q7tr("the port is not available (was the adapter unplugged? Device Manager shows "
                              "the ports Windows sees)"));
#else
    return Message(Text::q7tr("the device is not available (was it unplugged?)"));
#endif
}

const Message kNameTooLong(
    Text::q7tr("the device's name is too long for its lock file; use a shorter link to the device"));

#ifdef Q_OS_UNIX
// Where Qt SerialPort 6.4 keeps its lock files, in the order it tries them.
constexpr const char* kLockFolders[] = {"/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
                                        "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};

// A lock file's first lines, or nothing with errno set. Anyone may put a file in the lock folder: a FIFO
// there must not hold the open up, nor a link lead elsewhere.
std::optional<std::string> readLockFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    struct stat status {};
    char buffer[1024];
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        if (const ssize_t got = ::read(fd, buffer, sizeof buffer); got > 0)
            text.assign(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return text;
}

bool processExists(int pid) {
    // EPERM: it exists, under another user.
    return !(::kill(pid, 0) == -1 && errno == ESRCH);
}
#endif

#ifdef Q_OS_WIN
// Windows lets one handle at a time open a port and refuses every other as "access denied", this program's
// own too: the ports open here are counted to tell the two apart.
std::mutex openHereMutex;
std::map<std::string, int> openHere;

void countOpen(const std::string& port, int change) {
    const std::lock_guard<std::mutex> lock(openHereMutex);
    if ((openHere[port] += change) <= 0) openHere.erase(port);
}

bool openHereAlready(const std::string& port) {
    const std::lock_guard<std::mutex> lock(openHereMutex);
    return openHere.contains(port);
}

bool isComName(std::string_view name) {
    return name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
           (name[2] == 'M' || name[2] == 'm') &&
           std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}
#endif

} // namespace

QtLine::QtLine(std::string address) {
    setAddress(address);
    const auto current = [this](unsigned opened) { return opens_ == opened; };
    connect(&net_, &NetworkLine::received, this, [this] {
        later([this](LineEvents& e) {
            if (net_.isOpen() && !net_.isConnecting()) e.received();
        });
    });
    connect(&net_, &NetworkLine::opened, this, [this, current] {
        later([this, current, opened = opens_](LineEvents& e) {
            if (current(opened) && net_.isOpen() && !net_.isConnecting()) e.opened();
        });
    });
    connect(&net_, &NetworkLine::openFailed, this, [this, current](const Message& why) {
        later([this, current, why, opened = opens_](LineEvents& e) {
            if (current(opened) && !net_.isOpen()) e.openFailed(why);
        });
    });
    connect(&net_, &NetworkLine::lost, this, [this, current](const Message& why) {
        later([this, current, why, opened = opens_](LineEvents& e) {
            if (current(opened) && !net_.isOpen()) e.lost(why);
        });
    });
    connect(&net_, &NetworkLine::settingsFailed, this,
            [this](const Message& why) { later([why](LineEvents& e) { e.settingsFailed(why); }); });
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        // Bytes read while close() lets the output leave are dropped with the port; the owner must not be
        // re-entered from inside one of its own calls.
        if (!closing_ && events_) events_->received();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &QtLine::onError);
}

QtLine::~QtLine() {
    events_ = nullptr;
    close();
}

void QtLine::later(std::function<void(LineEvents&)> event) {
    QMetaObject::invokeMethod(
        this,
        [this, event = std::move(event)] {
            if (events_) event(*events_);
        },
        Qt::QueuedConnection);
}

void QtLine::setAddress(const std::string& address) {
    if (isOpen()) return;
    address_ = address;
    const Result<PortAddress> parsed = parsePortAddress(address);
    kind_ = parsed ? parsed->kind : PortAddress::Kind::Device;
    if (parsed) network_ = *parsed;
}

std::string QtLine::devicePath(const std::string& name) {
#ifdef Q_OS_UNIX
    if (name.empty() || name.starts_with('/') || name.starts_with("./") || name.starts_with("../"))
        return name;
    return "/dev/" + name;
#elif defined(Q_OS_WIN)
    // COM10 and above open only as \\.\COM10, which the toolkit puts before a name that starts with "COM"
    // (in capitals): \\.\COM3 as typed is COM3, and com3 is COM3. Another device keeps its name.
    const bool prefixed = name.starts_with("\\\\.\\") || name.starts_with("//./");
    std::string port = prefixed && isComName(name.substr(4)) ? name.substr(4) : name;
    if (isComName(port)) port.replace(0, 3, "COM");
    return port;
#else
    return name;
#endif
}

Result<> QtLine::applySettings(const std::string& settings) {
    const auto refuse = [&](const Message& why) {
        return failure(
            Message(Text::q7tr("The line settings %1 cannot be used: %2."), {quoted(settings), why}));
    };
    const Result<LineSettings> parsed = parseLineSettings(settings);
    if (!parsed) return refuse(parsed.error());
#ifndef Q_OS_WIN
    // termios has no 1.5 stop bits; QSerialPort would quietly send 1.
    if (parsed->stopBits == StopBits::OneAndHalf)
        return refuse(Message(Text::q7tr("1.5 stop bits cannot be set on this system")));
#endif
    if (onNetwork()) {
        line_ = *parsed;
        net_.setLine(line_);
        return {};
    }
    if (!port_.isOpen() || configure(*parsed)) {
        line_ = *parsed;
        return {};
    }
    const Message why = describeFailure(Message(Text::q7tr("the device does not support them")));
    configure(line_);
    return failure(Message(Text::q7tr("Cannot apply the line settings %1 to %2: %3."),
                           {quoted(settings), Message::verbatim(address_), why}));
}

// On a closed port QSerialPort only records the values and applies them all when it opens.
bool QtLine::configure(const LineSettings& line) {
    const auto stopBits = line.stopBits == StopBits::Two          ? QSerialPort::TwoStop
                          : line.stopBits == StopBits::OneAndHalf ? QSerialPort::OneAndHalfStop
                                                                  : QSerialPort::OneStop;
    return port_.setBaudRate(line.speed) &&
           port_.setParity(kParities[static_cast<std::size_t>(line.parity)]) &&
           port_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)) &&
           port_.setStopBits(stopBits) && port_.setFlowControl(QSerialPort::NoFlowControl);
}

// The lock that keeps a second program off the line is named after the device: resolved afresh at every
// open, so that two names of one device (a link, which may since point elsewhere) share one lock. The name
// is checked here, before the port service takes it for a lock file's name and blames another program for
// what is a missing device or an overlong name.
Result<std::string> QtLine::resolveDevice() const {
#ifdef Q_OS_UNIX
    const auto refuse = [this](const Message& why) {
        return failure(Message(Text::q7tr("Cannot open %1: %2."), {Message::verbatim(address_), why}));
    };
    std::error_code ec;
    const std::string device = std::filesystem::canonical(devicePath(address_), ec).string();
    if (ec == std::errc::filename_too_long) return refuse(kNameTooLong);
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)
        return refuse(noSuchDevice());
    if (ec) return refuse(Message::verbatim(ec.message()));
    if (lockFileName(device).size() > NAME_MAX) return refuse(kNameTooLong);
    // Opening the multiplexer makes a new pseudo-terminal that nothing is connected to.
    if (device == "/dev/ptmx")
        return refuse(
            Message(Text::q7tr("it makes a new pseudo-terminal at each open; name the pseudo-terminal itself "
                               "(/dev/pts/N)")));
    return device;
#else
    // No lock file: Windows itself keeps a second program off an open port.
    return devicePath(address_);
#endif
}

Result<Line::Opening> QtLine::open() {
    if (isOpen()) return isConnecting() ? Opening::Pending : Opening::Open;
    // Once the process has been told to end, nothing opens the line again.
    if (endingSignal())
        return failure(
            Message(Text::q7tr("Cannot open %1: the program is ending."), {Message::verbatim(address_)}));
    ++opens_;
    if (onNetwork()) {
        if (Result<> started = net_.open(network_, line_); !started) return failure(started.error());
        return Opening::Pending;
    }
    const Result<std::string> device = resolveDevice();
    if (!device) return failure(device.error());
    port_.setPortName(QString::fromStdString(*device));
    configure(line_);
    if (port_.open(QIODevice::ReadWrite)) {
        // What waits in the device was sent to whoever had the line before: it answers nothing of ours.
        port_.clear(QSerialPort::Input);
#ifdef Q_OS_WIN
        countOpen(port_.portName().toStdString(), 1);
#endif
        return Opening::Open;
    }
    return failure(Message(
        Text::q7tr("Cannot open %1: %2."),
        {Message::verbatim(address_),
         describeFailure(Message(Text::q7tr("it is no serial port, or it does not take the line settings %1"),
                                 {Message::verbatim(settingsText(line_))}))}));
}

// The name of the lock file that the port service creates for a device (UUCP style, as Qt does).
std::string QtLine::lockFileName(const std::string& device) {
    std::string name = device.rfind("/dev/", 0) == 0 ? device.substr(5) : device;
    std::replace(name.begin(), name.end(), '/', '_');
    return "LCK.." + name;
}

// errorString() is often stale (a hang-up reads "Inappropriate ioctl for device"), so the reason is written
// from the error kind.
Message QtLine::describeFailure(const Message& unsupported) const {
    switch (port_.error()) {
    case QSerialPort::DeviceNotFoundError:
        return noSuchDevice();
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // Qt reports a device that another program has locked as a permission error too.
        if (::access(devicePath(address_).c_str(), R_OK | W_OK) != 0 && errno == EACCES)
            return Message(Text::q7tr("permission denied; the user must be in the dialout group "
                                      "(sudo adduser $USER dialout, then log in again)"));
        if (std::optional<Message> lock = describeLock()) return *std::move(lock);
        return Message(Text::q7tr("the device is in use by another program"));
#elif defined(Q_OS_WIN)
        // Windows refuses a port that any handle has open as "access denied".
        if (openHereAlready(port_.portName().toStdString()))
            return Message(Text::q7tr("the port is open already in this program"));
        return Message(Text::q7tr("another program has %1 open (close it there, or choose another port)"),
                       {Message::verbatim(port_.portName().toStdString())});
#else
        return Message(Text::q7tr("the device is in use by another program, or access is denied"));
#endif
    case QSerialPort::UnsupportedOperationError:
        return unsupported;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        return notAvailable();
    case QSerialPort::OpenError:
        return Message(Text::q7tr("the port is already open"));
    default:
        return Message::verbatim(port_.errorString().toStdString());
    }
}

#ifdef Q_OS_UNIX
std::optional<Message> QtLine::describeLock() const {
    const std::string name = lockFileName(port_.portName().toStdString());
    for (const char* folder : kLockFolders) {
        const std::string path = std::string(folder) + "/" + name;
        const std::optional<std::string> content = readLockFile(path);
        if (!content && errno == ENOENT) continue;
        const std::optional<LockOwner> owner = content ? lockOwner(*content) : std::nullopt;
        if (!owner) return std::nullopt;
        if (owner->pid == ::getpid())
            return Message(Text::q7tr("the device is open already in this program"));
        if (!lockOwnerEnded(*owner, QSysInfo::machineHostName().toStdString(), processExists))
            return Message(Text::q7tr("the device is in use by another program (process %1)"),
                           {Message::number(owner->pid)});
        // Named by the folder's own path (/var/lock leads to /run/lock), where a user finds it.
        std::error_code ec;
        const std::filesystem::path real = std::filesystem::canonical(folder, ec);
        return Message(
            Text::q7tr("the lock file %1 blocks it, and its owner, process %2, has ended: remove the "
                       "file as root (sudo rm %1), or restart the bridge (systemctl restart "
                       "q7-bridge), which removes such files when it starts"),
            {Message::verbatim(ec ? path : (real / name).string()), Message::number(owner->pid)});
    }
    return std::nullopt;
}
#endif

void QtLine::onError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError &&
        error != QSerialPort::ResourceError)
        return;
    // The guard matters: close() on a closed port reports NotOpenError, and a failing close would report
    // again from inside this handler.
    if (!port_.isOpen() || closing_) return;
    closing_ = true;
    closePort();
    closing_ = false;
    later([this, lostOpen = opens_](LineEvents& e) {
        if (!port_.isOpen() && opens_ == lostOpen) e.lost(notAvailable());
    });
}

bool QtLine::isConnecting() const {
    return net_.isConnecting();
}

void QtLine::close() {
    net_.close(drainMs_);
    if (!port_.isOpen() || closing_) return;
    closing_ = true;
    // Let the last frames leave, bounded: QSerialPort's own buffer first, then the driver's queue, which
    // QSerialPort would otherwise cut short by restoring the old line settings on close.
    const QDeadlineTimer deadline(drainMs_);
    while (port_.bytesToWrite() > 0 && !deadline.hasExpired())
        if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
    while (driverQueue() > 0 && !deadline.hasExpired())
        QThread::msleep(1);
    if (port_.isOpen()) closePort();
    closing_ = false;
}

void QtLine::closePort() {
#ifdef Q_OS_WIN
    countOpen(port_.portName().toStdString(), -1);
#endif
    port_.close();
}

bool QtLine::isOpen() const {
    return port_.isOpen() || net_.isOpen();
}

bool QtLine::write(std::string_view bytes) {
    // Once the process has been told to end, no new frame goes out: a held button's repeat stops at once.
    if (endingSignal()) return false;
    if (net_.isOpen()) return net_.write(bytes);
    if (!port_.isOpen()) return false;
    const qint64 size = static_cast<qint64>(bytes.size());
    if (port_.write(bytes.data(), size) != size) return false;
    // Hand the frame to the driver now rather than on the next pass of the event loop, behind pending paints:
    // a click reaches the wire at once. flush() never blocks.
    port_.flush();
    return true;
}

std::string QtLine::readAll() {
    if (net_.isOpen()) return net_.readAll();
    if (!port_.isOpen()) return {};
    const QByteArray data = port_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

std::size_t QtLine::pendingOutput() const {
    if (net_.isOpen()) return net_.pendingOutput();
    if (!port_.isOpen()) return 0;
#ifdef Q_OS_WIN
    // bytesToWrite() counts the chunk being written whole until the last of it has left; the driver's queue
    // counts what of it is still to go, where the driver tells.
    if (const std::size_t queued = driverQueue(); queued > 0)
        return static_cast<std::size_t>(port_.QIODevice::bytesToWrite()) + queued;
#endif
    return static_cast<std::size_t>(port_.bytesToWrite()) + driverQueue();
}

std::size_t QtLine::driverQueue() const {
#ifdef Q_OS_LINUX
    int queued = 0;
    if (port_.isOpen() && ::ioctl(port_.handle(), TIOCOUTQ, &queued) == 0 && queued > 0)
        return static_cast<std::size_t>(queued);
#elif defined(Q_OS_WIN)
    COMSTAT status{};
    if (port_.isOpen() && ::ClearCommError(port_.handle(), nullptr, &status)) return status.cbOutQue;
#endif
    return 0;
}

} // namespace q7
