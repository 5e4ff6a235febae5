// SPDX-License-Identifier: MIT
// The real window on the offscreen platform: every control where, how and in what colour and font the design
// puts it, the focus order, the views, and mouse and keys reaching the form as an operator produces them.

#include "design.h"
#include "fake_window.h"
#include "qt/widgets/qt_widgets.h"
#include "qt/widgets/qt_window.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace q7::test {
namespace {

int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

// clang-format off
// Face, points and weight, in the order of design::Font.
const std::tuple<const char*, double, bool> kFonts[] = {
    {"ＭＳ ゴシック", 9, true}, {"ＭＳ ゴシック", 9, false}, {"ＭＳ ゴシック", 8.25, true}, {"ＭＳ ゴシック", 8.25, false},
    {"ＭＳ ゴシック", 9.75, true}, {"ＭＳ ゴシック", 9.75, false}, {"ＭＳ Ｐゴシック", 9, false},
    {"ＭＳ Ｐゴシック", 9, true}, {"ＭＳ Ｐゴシック", 9.75, true}, {"ＭＳ Ｐゴシック", 7.5, false}};
// The cursor pad's outline in #8080FF: x1, y1, x2, y2 in twips on the window.
const std::array<int, 4> kOutline[] = {
    {1080, 2400, 1080, 2880}, {2160, 2400, 2160, 2880}, {3120, 2880, 3120, 3480}, {2160, 3480, 2160, 3960},
    {1080, 3480, 1080, 3960}, {120, 2880, 120, 3480},   {1080, 2400, 2160, 2400}, {120, 2880, 1080, 2880},
    {2160, 2880, 3120, 2880}, {120, 3480, 1080, 3480},  {1080, 3960, 2160, 3960}, {2160, 3480, 3120, 3480}};
// clang-format on

class Window : public ::testing::Test {
  protected:
    Window() {
        port.pending = 1; // repetitions of a hold stay off the wire: each press is one frame
        window.attach(form);
        form.load();
        top()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(top()));
    }
    QWidget* top() const { return window.window(); }
    QWindow* handle() const { return top()->windowHandle(); }
    QWidget* control(std::string_view name) const { return window.control(name); }
    QPoint middleOf(std::string_view name) const {
        return control(name)->mapTo(top(), control(name)->rect().center());
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(handle(), k, mods); }
    void click(std::string_view name) { QTest::mouseClick(handle(), Qt::LeftButton, {}, middleOf(name)); }
    void setHeight(int twips) {
        window.setWindowHeight(twips);
        EXPECT_TRUE(QTest::qWaitFor([&] { return handle()->height() == top()->height(); }));
    }
    std::string caption(std::string_view name) const {
        QWidget* w = control(name);
        if (auto* b = qobject_cast<FaceButton*>(w)) return b->caption().toStdString();
        if (auto* o = qobject_cast<QRadioButton*>(w)) return o->text().toStdString();
        return qobject_cast<PlainLabel*>(w) ? static_cast<PlainLabel*>(w)->fullText() : "";
    }

    FakeLine port;
    QtWindow window{port, {"/dev/fake1", "/dev/fake2"}};
    Form1 form{window};
};

TEST_F(Window, EveryControlIsWhereAndAsTheDesignPutsIt) {
    setHeight(9100);
    window.setVisible(Frame8, true);
    window.setVisible(Command34, true);
    const QImage image = top()->grab().toImage();
    std::vector<std::pair<int, std::string>> byTab;
    for (const design::Control& c : design::kControls) {
        SCOPED_TRACE(c.name);
        QWidget* w = control(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), std::string_view(c.in) == "Form1" ? top() : control(c.in));
        EXPECT_EQ(w->geometry(), QRect(px(c.left), px(c.top), px(c.width), px(c.height)));
        // The toolkit rounds twips to pixels and makes an order of tab positions: the exact numbers are read
        // from the row the window was built from.
        const auto& row = *findControl(c.name);
        EXPECT_EQ((std::array{row.geometry.left, row.geometry.top, row.geometry.width, row.geometry.height,
                              row.tab}),
                  (std::array{c.left, c.top, c.width, c.height, c.tab}));
        EXPECT_EQ(caption(c.name), c.caption);
        const auto& [face, points, bold] = kFonts[c.font];
        EXPECT_EQ(w->font().pointSizeF(), points);
        EXPECT_EQ(w->font().bold(), bold);
        EXPECT_TRUE(w->font().families().contains(QString::fromUtf8(face)));
        const QRect r(w->mapTo(top(), QPoint(0, 0)), w->size());
        if (c.back != design::kSystem && qobject_cast<FaceButton*>(w)) {
            EXPECT_EQ(image.pixel(r.left() + 2, r.top() + 2) & 0xFFFFFF, c.back);
            EXPECT_EQ(image.pixel(r.right() - 2, r.bottom() - 2) & 0xFFFFFF, c.back);
        } else if (c.back != design::kSystem) {
            EXPECT_EQ(w->palette().color(w->backgroundRole()).rgb() & 0xFFFFFF, c.back);
            EXPECT_TRUE(w->autoFillBackground());
        }
        EXPECT_EQ(w->focusPolicy(), c.tab ? Qt::StrongFocus : Qt::NoFocus);
        if (c.tab) byTab.emplace_back(c.tab, c.name);
    }
    std::sort(byTab.begin(), byTab.end());
    std::vector<std::string> designed, chain;
    for (const auto& [tab, name] : byTab)
        designed.push_back(name);
    QWidget* w = control(designed.front());
    do {
        if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w->objectName().toStdString());
        w = w->nextInFocusChain();
    } while (w != control(designed.front()) && chain.size() <= designed.size());
    EXPECT_EQ(chain, designed);

    for (std::size_t i = 0; i < std::size(kOutline); ++i) {
        const auto& [x1, y1, x2, y2] = kOutline[i];
        EXPECT_EQ(image.pixel(px((x1 + x2) / 2), px((y1 + y2) / 2)) & 0xFFFFFF, 0x8080FFu) << x1 << "," << y1;
        const auto& line = cursorPadOutline()[i];
        EXPECT_EQ((std::array{line.x1, line.y1, line.x2, line.y2}), kOutline[i]);
    }
    EXPECT_EQ(image.pixel(2, 2) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(top()->size(), QSize(633, 582)) << "9495 by 8730 twips";
    EXPECT_EQ(top()->windowTitle(), "VELM   Q7 & Q7L    CONTROL   Ver.1.41a");
}

// Centred across and placed from the full height before being cut to the compact one, with the focus on POWER
// "ON"; the port settings, once shown, cover "COM" whole.
TEST_F(Window, OpensCompactAboveTheMiddleAsDesigned) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.screenHeight(), screen.height() * 15);
    EXPECT_NEAR(top()->frameGeometry().top(), (screen.height() * 15 - 9100) / 30.0, 1.0);
    EXPECT_EQ(top()->size(), QSize(633, px(5350 - 370))) << "the client area less the title bar and borders";
    EXPECT_EQ(top()->minimumSize(), top()->maximumSize()) << "no resizing";
    EXPECT_EQ(top()->focusWidget(), control("Command17")) << "the first of the focus chain proven above";
    // The port settings and the data button hidden by the layout, not by start-up.
    const QtWindow unloaded(port, {});
    EXPECT_FALSE(window.isVisible(Frame8) || window.isVisible(Command34) || unloaded.isVisible(Frame8) ||
                 unloaded.isVisible(Command34));
    for (const char* option : {"Option1", "Option3", "Option9"})
        EXPECT_TRUE(static_cast<QRadioButton*>(control(option))->isChecked()) << option;
    for (const auto& [name, rgb] : {std::pair("Label1", 0xC00000u), {"Label22", 0xFF0000u}, {"Label23", 0u}})
        EXPECT_EQ(control(name)->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF, rgb) << name;
    for (const ControlId line : {Label11, Label12, Label22})
        EXPECT_EQ(static_cast<QLabel*>(control(line.name()))->textFormat(), Qt::PlainText)
            << "markup as it came";
    const QRect com(control("Command33")->mapTo(top(), QPoint(0, 0)), control("Command33")->size());
    window.setVisible(Frame8, true);
    for (const QPoint p : {com.topLeft(), com.center(), com.bottomRight()})
        EXPECT_TRUE(control("Frame8")->isAncestorOf(top()->childAt(p)));
}

// Keys as the window system delivers them, the picture double-clicked, the data button by keyboard; the chord
// also reaches the focused control.
TEST_F(Window, TheChordThePictureAndTheDataButton) {
    key(Qt::Key_J, Qt::ShiftModifier | Qt::ControlModifier);
    key(Qt::Key_J, Qt::AltModifier | Qt::ControlModifier);
    key(Qt::Key_J);
    EXPECT_FALSE(window.isVisible(Command34));
    setHeight(9100);
    auto* box = static_cast<QLineEdit*>(control("Text1"));
    box->setFocus();
    for (const auto& [k, mods] :
         {std::pair(Qt::Key_A, Qt::KeyboardModifiers()), {Qt::Key_J, Qt::ControlModifier}, {Qt::Key_B, {}}})
        key(k, mods);
    EXPECT_EQ(box->text(), "ab");
    // What a screen reader reads is the caption shown now, wrapped on the face or not.
    const auto name = [&] {
        return QAccessible::queryAccessibleInterface(control("Command34"))
            ->text(QAccessible::Name)
            .toStdString();
    };
    EXPECT_EQ(std::tuple(window.windowHeight(), caption("Command34"), name()),
              std::tuple(7200, "CLOSE", "CLOSE"));
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, middleOf("Image1"));
    EXPECT_EQ(window.windowHeight(), 9100);
    // A held key repeats its key-down: the repeat acts as a second press would.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_J, Qt::ControlModifier, QStringLiteral("\n"), true);
    QCoreApplication::sendEvent(handle(), &repeat);
    EXPECT_EQ(window.windowHeight(), 7200);
    control("Command34")->setFocus();
    key(Qt::Key_Space);
    EXPECT_EQ(name(), "データを表示する");
    key(Qt::Key_Return);
    EXPECT_EQ(std::tuple(window.windowHeight(), caption("Command34"), name()),
              std::tuple(6645, "データを表示しない", "データを表示しない"));
}

// A paste is not cut at the line edit's usual 32,767 characters: all of it goes out on SEND.
TEST_F(Window, APasteOfAHundredThousandCharactersGoesOutWhole) {
    setHeight(9100);
    QGuiApplication::clipboard()->setText(QString(100000, QLatin1Char('7')));
    control("Text1")->setFocus();
    QTest::keySequence(control("Text1"), QKeySequence::Paste);
    click("Command95");
    EXPECT_EQ(port.written(), std::vector<std::string>{std::string(100000, '7') + "\r"});
}

TEST_F(Window, EveryButtonActsOnItsOwnEvents) {
    setHeight(9100);
    for (const design::Control& c : design::kControls) {
        if (!c.wire) continue;
        port.writes.clear();
        click(c.name);
        EXPECT_EQ(port.written(), std::vector<std::string>{c.wire}) << c.name;
    }
    control("Command18")->setFocus();
    port.writes.clear();
    for (Qt::Key k : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
        key(k);
    EXPECT_EQ(port.written(), std::vector<std::string>(3, "C01\r"));
    // The CMD box hands over one byte a character: Latin-1 as it stands, anything beyond it '?'.
    static_cast<QLineEdit*>(control("Text1"))->setText(QString::fromUtf8("CR0 \u00e9\u65e5\U0001F600"));
    click("Command95");
    EXPECT_EQ(port.written().back(), "CR0 \xE9??\r");
    // Any mouse button holds a held button; its release ends the hold wherever the pointer is; keys send
    // nothing.
    for (const design::Held& h : design::kHeld) {
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            port.writes.clear();
            QTest::mousePress(handle(), button, Qt::ControlModifier, middleOf(h.name));
            EXPECT_EQ(form.HeldButton, h.code) << h.name;
            QTest::mouseMove(handle(), middleOf("Command17"));
            QTest::mouseRelease(handle(), button, {}, middleOf("Command17"));
            EXPECT_EQ(form.HeldButton, 0) << h.name;
            EXPECT_EQ(port.written(), std::vector<std::string>{h.wire}) << h.name;
        }
        control(h.name)->setFocus();
        key(Qt::Key_Space);
        key(Qt::Key_Return);
        EXPECT_EQ(port.written().size(), 1u) << "keys on a held button send nothing";
    }
}

// No release can come once the window lost activation or a box took the mouse: the hold ends then, and a late
// release changes nothing more.
TEST_F(Window, LosingTheWindowOrAWarningEndsTheHold) {
    QApplication::setActiveWindow(top());
    QTest::mousePress(handle(), Qt::LeftButton, {}, middleOf("Command36"));
    EXPECT_EQ(form.HeldButton, 9);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_EQ(form.HeldButton, 0);
    window.setText(Label11, "kept");
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, middleOf("Command36"));
    QTest::mousePress(handle(), Qt::RightButton, {}, middleOf("Command48"));
    window.showWarning(Message("Cannot open /dev/fake2: no such device"));
    EXPECT_EQ(form.HeldButton, 0) << "and the box did not block";
    EXPECT_EQ(form.CursorPadMode, 3) << "as D.Zoom's release does";
    auto* box = top()->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible() && box->isModal() && box->icon() == QMessageBox::Warning);
    EXPECT_EQ(box->text(), "Cannot open /dev/fake2: no such device");
    EXPECT_EQ(box->buttons().size(), 1);
    box->buttons().front()->click();
    window.setText(Label11, "kept");
    QTest::mouseRelease(handle(), Qt::RightButton, {}, middleOf("Command48"));
    EXPECT_EQ(window.text(Label11), "kept");
}

} // namespace
} // namespace q7::test
