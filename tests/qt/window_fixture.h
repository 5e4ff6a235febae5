// SPDX-License-Identifier: MIT
#pragma once
// The real window on the offscreen platform, loaded and shown as the program does, over a recording port.

#include "fake_serial_port.h"
#include "panel/form.h"
#include "panel/panel_layout.h"
#include "qt/qt_window.h"

#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

namespace q7::test {

class ShownWindow : public ::testing::Test {
  protected:
    ShownWindow() {
        port.lineBusy = true;
        window.attach(form);
        form.load();
        window.window()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.window()));
    }

    QWidget* top() const { return window.window(); }
    QWindow* handle() const { return window.window()->windowHandle(); }
    QWidget* control(std::string_view name) const {
        QWidget* w = window.control(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Where a control's middle lies on the window.
    QPoint middleOf(std::string_view name) const {
        QWidget* w = control(name);
        return w->mapTo(top(), w->rect().center());
    }
    // The control's rectangle on the window, in pixels.
    QRect onWindow(std::string_view name) const {
        QWidget* w = control(name);
        return QRect(w->mapTo(top(), QPoint(0, 0)), w->size());
    }

    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(handle(), k, modifiers);
    }
    // Through the window system: press, release, press, release, the second press made a double-click.
    void doubleClick(std::string_view name) {
        QTest::mouseDClick(handle(), Qt::LeftButton, Qt::NoModifier, middleOf(name));
    }
    void click(std::string_view name) {
        QTest::mouseClick(handle(), Qt::LeftButton, Qt::NoModifier, middleOf(name));
    }

    FakeSerialPort port;
    QtWindow window{port};
    Form1 form{window};
};

} // namespace q7::test
