// SPDX-License-Identifier: MIT
#pragma once
// The window services on Qt: Form1's widgets built from the layout table, its timers, the warning box,
// and the routing of the toolkit's events (clicks, presses, releases, keys, double-click) to the form.

#include "panel/window_services.h"

#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace q7 {

class Form1;
class QtTimer;

class QtWindow final : public WindowServices {
  public:
    // The line behind the port, and the devices of port 1 and port 2.
    QtWindow(Line& port, std::array<std::string, 2> devices);
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    // Routes every event of the window to the form; call once, before form.load().
    void attach(Form1& form);
    QWidget* window() const;
    // A control by its name in the layout, or nullptr.
    QWidget* control(std::string_view name) const;

    Timer& timer(TimerId timer) override;
    TimerFactory& timers() override;
    Line& port() override;
    std::string device(int portNumber) const override;
    void setText(ControlId control, const std::string& text) override;
    std::string text(ControlId control) const override;
    void setVisible(ControlId control, bool visible) override;
    bool isVisible(ControlId control) const override;
    void setSelected(ControlId option) override;
    bool isSelected(ControlId option) const override;
    int windowHeight() const override;
    void setWindowHeight(int twips) override;
    int windowWidth() const override;
    void moveWindow(int left, int top) override;
    int screenWidth() const override;
    int screenHeight() const override;
    int showWarning(const Message& text) override;
    void closeWarning(int box) override;
    void quit() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace q7
