// SPDX-License-Identifier: MIT
// q7panel: wires the form to the Qt window and line.
#include "panel/form.h"
#include "qt/core/console.h"
#include "qt/core/log_file.h"
#include "qt/core/port_discovery.h"
#include "qt/core/process_end.h"
#include "qt/core/qt_line.h"
#include "qt/core/translation.h"
#include "qt/widgets/panel_options.h"
#include "qt/widgets/qt_window.h"
#include "session/logged_line.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

namespace {

std::string programName;
// Where a log that stopped is told: the window's box once it exists.
std::function<void(const q7::Message&)> logFailed = [](const q7::Message&) {};
// What the toolkit says while it looks for a display: shown only if it finds one.
std::vector<std::pair<QtMsgType, QString>> heldMessages;
std::mutex heldMessagesLock; // the port search runs beside the toolkit's start

// Without a display the toolkit would abort with a core dump, after lines that a user cannot act on.
void whileStarting(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s: %s\n", programName.c_str(),
                     q7::translatedText(
                         q7::Message(q7::Text::q7tr(
                             "there is no display to show the panel on: start it from a desktop session")))
                         .c_str());
        std::_Exit(1);
    }
    const std::lock_guard lock(heldMessagesLock);
    heldMessages.emplace_back(type, message);
}

std::unique_ptr<QApplication> startToolkit(int& argc, char* argv[]) {
    const QtMessageHandler before = qInstallMessageHandler(whileStarting);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(before);
    q7::installTranslations(*app);
    const std::lock_guard lock(heldMessagesLock);
    for (const auto& [type, message] : heldMessages)
        qt_message_output(type, QMessageLogContext(), message);
    heldMessages.clear();
    return app;
}

} // namespace

int main(int argc, char* argv[]) {
    // The name it is installed under, not the path it was started by (nor Windows' .exe): the manual page is
    // made from this text.
    programName = argc > 0 ? std::filesystem::path(argv[0]).stem().string() : "";
    if (programName.empty()) programName = "q7panel";
    q7::prepareConsole();
    q7::loadTranslations();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const q7::Result<q7::PanelOptions> parsed = q7::parsePanelOptions(args);
    if (!parsed) {
        std::fprintf(stderr, "%s: %s\n%s", programName.c_str(), q7::translatedText(parsed.error()).c_str(),
                     q7::translatedText(q7::usageText(programName)).c_str());
        return 2;
    }
    const q7::PanelOptions& options = *parsed;
    if (options.help) {
        std::fputs(q7::translatedText(q7::usageText(programName)).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", programName.c_str(), Q7_VERSION);
        return 0;
    }
    // The search walks the system's whole list of terminals, which takes longer than the toolkit's start: it
    // runs beside it, and not at all when both ports are named.
    const bool search = !(options.com1 && options.com2) || options.listPorts;
    std::future<std::vector<q7::SerialPortInfo>> searching;
    if (search) searching = std::async(std::launch::async, q7::presentSerialPorts);
    const auto choose = [&] {
        const std::vector<q7::SerialPortInfo> present =
            search ? searching.get() : std::vector<q7::SerialPortInfo>{};
        return std::pair(present, q7::portsToUse(options.com1, options.com2, present));
    };
    if (options.listPorts) {
        const auto [present, ports] = choose();
        for (const q7::Message& line : q7::listPortsText(present, ports))
            std::printf("%s\n", q7::translatedText(line).c_str());
        return 0;
    }

    std::unique_ptr<q7::SessionLog> log;
    if (options.log) {
        const q7::Result<std::uint64_t> size =
            options.logSize ? q7::parseLogSize(*options.logSize) : q7::kDefaultLogBytes;
        // The box is the window's, which does not exist yet.
        q7::Result<std::unique_ptr<q7::SessionLog>> opened =
            size ? q7::openSessionLog(*options.log, *size, [](const q7::Message& why) { logFailed(why); })
                 : q7::failure(size.error());
        if (!opened) {
            std::fprintf(stderr, "%s: %s\n", programName.c_str(), q7::translatedText(opened.error()).c_str());
            return size ? 1 : 2;
        }
        log = std::move(*opened);
    }

    q7::releaseConsole();
    const std::unique_ptr<QApplication> app = startToolkit(argc, argv);
    // The desktop entry's name: a dock shows the entry's icon for this window.
    QGuiApplication::setDesktopFileName(QStringLiteral(Q7_DESKTOP_ID));
    const std::array<q7::ChosenPort, 2> ports = choose().second;
    q7::QtLine line;
    q7::LoggedLine logged(line, log.get());
    q7::QtWindow window(logged, {ports[0].device, ports[1].device});
    q7::Form1 form(window);
    window.attach(form);
    logFailed = [&window](const q7::Message& why) { window.showWarning(why); };
    q7::ProcessEnd processEnd(line);
    QObject::connect(&processEnd, &q7::ProcessEnd::endRequested, &processEnd,
                     [&form] { form.click(q7::Command16); });
    form.load();
    window.window()->show();
    return QApplication::exec();
}
