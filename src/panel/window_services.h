// SPDX-License-Identifier: MIT
#pragma once
// The window services: everything the form's behaviour needs from a windowing toolkit. The program implements
// them with Qt (qt/qt_window); the tests implement them on a virtual clock.

#include "base/message.h"
#include "link/line.h"
#include "link/timer.h"
#include "panel/controls.h"

#include <string>

namespace q7 {

enum TimerId : int { Timer1 = 1, Timer2, Timer3, Timer4 };

// Interval of each timer when the window opens, in milliseconds.
constexpr int startInterval(TimerId timer) {
    switch (timer) {
    case Timer1:
        return 200; // repeat of the held buttons
    case Timer2:
        return 500; // reply window
    case Timer3:
        return 5000; // hides the port-settings panel
    case Timer4:
        return 1000; // clears the trace and status lines
    }
    return 0;
}

class WindowServices {
  public:
    virtual ~WindowServices() = default;
    // The form's four; the line makes its own from timers().
    virtual Timer& timer(TimerId timer) = 0;
    virtual TimerFactory& timers() = 0;
    // The serial-port service: one line, at the address of the port number chosen (device(1) or device(2)).
    virtual Line& port() = 0;
    virtual std::string device(int portNumber) const = 0;

    // Caption of a label or button, text of the text box; read back exactly as set.
    virtual void setText(ControlId control, const std::string& text) = 0;
    virtual std::string text(ControlId control) const = 0;
    virtual void setVisible(ControlId control, bool visible) = 0;
    virtual bool isVisible(ControlId control) const = 0;
    // Marks an option selected without running its click action.
    virtual void setSelected(ControlId option) = 0;
    virtual bool isSelected(ControlId option) const = 0;

    // Window geometry in twips; heights are outer heights (client depth + 370).
    virtual int windowHeight() const = 0;
    virtual void setWindowHeight(int twips) = 0;
    virtual int windowWidth() const = 0;
    virtual void moveWindow(int left, int top) = 0;
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;

    // Modal warning box with an exclamation icon and one OK button; does not block the caller. The number
    // names the box for closeWarning, which closes it unless the user has already.
    virtual int showWarning(const Message& text) = 0;
    virtual void closeWarning(int box) = 0;
    // Unloads the window and ends the program.
    virtual void quit() = 0;
};

} // namespace q7
