// SPDX-License-Identifier: MIT
#include "panel/qt_window.h"

#include "panel/form.h"
#include "panel/qt_timer.h"

#include <QApplication>

namespace q7 {

struct QtWindow::Impl {
    SerialPort& port;
    QWidget window;
    std::unique_ptr<QtTimer> timers[4];
    std::map<std::string, std::string, std::less<>> texts;
    Form1* form = nullptr;
    explicit Impl(SerialPort& p) : port(p) {}
};

QtWindow::QtWindow(SerialPort& port) : d_(std::make_unique<Impl>(port)) {
    const int intervals[4] = {200, 500, 5000, 1000};
    for (int i = 0; i < 4; ++i)
        d_->timers[i] = std::make_unique<QtTimer>(intervals[i], [this, i] {
            if (d_->form) d_->form->timerTick(i + 1);
        });
}
QtWindow::~QtWindow() = default;
void QtWindow::attach(Form1& form) { d_->form = &form; }
QWidget* QtWindow::window() const { return &d_->window; }
QWidget* QtWindow::control(std::string_view) const { return nullptr; }
Timer& QtWindow::timer(int n) { return *d_->timers[n - 1]; }
SerialPort& QtWindow::port() { return d_->port; }
void QtWindow::setText(std::string_view control, const std::string& text) {
    d_->texts[std::string(control)] = text;
}
std::string QtWindow::text(std::string_view control) const {
    auto it = d_->texts.find(control);
    return it == d_->texts.end() ? std::string() : it->second;
}
void QtWindow::setVisible(std::string_view, bool) {}
bool QtWindow::isVisible(std::string_view) const { return false; }
void QtWindow::setSelected(std::string_view) {}
bool QtWindow::isSelected(std::string_view) const { return false; }
int QtWindow::windowHeight() const { return 9100; }
void QtWindow::setWindowHeight(int) {}
int QtWindow::windowWidth() const { return 9495; }
void QtWindow::moveWindow(int, int) {}
int QtWindow::screenWidth() const { return 0; }
int QtWindow::screenHeight() const { return 0; }
void QtWindow::showWarning(const std::string&) {}
void QtWindow::quit() { QApplication::quit(); }

} // namespace q7
