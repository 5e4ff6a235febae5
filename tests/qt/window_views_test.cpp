// SPDX-License-Identifier: MIT
// The compact, data, unlocked and extended views on the real window, driven by key events delivered to the
// window and by double-clicks on the picture, as a user produces them.
#include "panel/views.h"
#include "window_fixture.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <cmath>

namespace q7::test {
namespace {

int pixels(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

class Views : public ShownWindow {
  protected:
    void chord() { key(Qt::Key_J, Qt::ControlModifier); }
    void dataButton() {
        control("Command34")->setFocus();
        key(Qt::Key_Space);
    }
    // Height, Command34's caption and visibility, ExtendedViewUnlocked: one row of the state table.
    void expectState(int height, bool shown, const char* caption, int unlocked) {
        EXPECT_EQ(window.windowHeight(), height);
        EXPECT_EQ(top()->height(), pixels(height - kFrameAllowance)) << "client depth shown at " << height;
        EXPECT_EQ(window.isVisible(ControlId("Command34")), shown);
        EXPECT_EQ(window.text(ControlId("Command34")), caption);
        EXPECT_EQ(form.ExtendedViewUnlocked, unlocked);
    }
    // The part of a control that the window's depth leaves in view.
    QRect seen(std::string_view name) { return control(name)->visibleRegion().boundingRect(); }
};

TEST_F(Views, StartCompactAndLockedAPictureDoubleClickDoesNothing) {
    expectState(kCompactHeight, false, kShowData, 0);
    doubleClick("Image1");
    expectState(kCompactHeight, false, kShowData, 0);
}

TEST_F(Views, ChordUnlocksThenPictureExtendsThenCloseReturnsToCompact) {
    chord();
    expectState(kUnlockedHeight, true, kClose, 1);
    doubleClick("Image1");
    expectState(kExtendedHeight, true, kClose, 1);
    doubleClick("Image1");
    expectState(kExtendedHeight, true, kClose, 1);

    click("Command34");
    expectState(kCompactHeight, true, kShowData, 0);
    EXPECT_TRUE(window.timer(Timer3).isEnabled()) << "the click starts the port panel's count afresh";
    doubleClick("Image1");
    expectState(kCompactHeight, true, kShowData, 0);
}

// Command34 lies below the compact window's edge: it is reached with the keyboard.
TEST_F(Views, DataButtonSwitchesBetweenCompactAndData) {
    chord();
    dataButton();
    expectState(kCompactHeight, true, kShowData, 0);
    dataButton();
    expectState(kDataHeight, true, kHideData, 0);
    doubleClick("Image1");
    expectState(kDataHeight, true, kHideData, 0);
    key(Qt::Key_Return);
    expectState(kCompactHeight, true, kShowData, 0);
    dataButton();
    chord();
    expectState(kUnlockedHeight, true, kClose, 1);
    doubleClick("Image1");
    expectState(kExtendedHeight, true, kClose, 1);
    dataButton();
    expectState(kCompactHeight, true, kShowData, 0);
}

TEST_F(Views, ChordAtFullHeightReturnsToUnlocked) {
    chord();
    doubleClick("Image1");
    chord();
    expectState(kUnlockedHeight, true, kClose, 1);
}

TEST_F(Views, OnlyCtrlJIsTheChord) {
    key(Qt::Key_J);
    key(Qt::Key_J, Qt::ShiftModifier | Qt::ControlModifier);
    key(Qt::Key_J, Qt::AltModifier | Qt::ControlModifier);
    key(Qt::Key_J, Qt::ShiftModifier);
    key(Qt::Key_J, Qt::AltModifier);
    key(Qt::Key_K, Qt::ControlModifier);
    key(Qt::Key_Return, Qt::ControlModifier);
    expectState(kCompactHeight, false, kShowData, 0);
    // Keypad modifier is no Shift, Ctrl or Alt.
    key(Qt::Key_J, Qt::ControlModifier | Qt::KeypadModifier);
    expectState(kUnlockedHeight, true, kClose, 1);
}

// A held chord repeats the key, and every repeat is a key-down: one after the picture's double-click brings
// the window back to the unlocked view, as a second press would. The chord is recognised by key and
// modifiers, not by the text (a real Ctrl+J carries a line feed).
TEST_F(Views, AutoRepeatedChordActsAsAnotherPress) {
    chord();
    doubleClick("Image1");
    expectState(kExtendedHeight, true, kClose, 1);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_J, Qt::ControlModifier, QStringLiteral("\n"), true);
    QCoreApplication::sendEvent(handle(), &repeat);
    expectState(kUnlockedHeight, true, kClose, 1);
}

// The window looks at the key first and leaves it to the focused control.
TEST_F(Views, ChordStillReachesTheCommandBox) {
    struct Recorder : QObject {
        std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::KeyPress) {
                auto* k = static_cast<QKeyEvent*>(e);
                if (k->key() != Qt::Key_Control) keys.emplace_back(k->key(), k->modifiers());
            }
            return false;
        }
    } recorder;
    window.setWindowHeight(kExtendedHeight);
    auto* box = static_cast<QLineEdit*>(control("Text1"));
    box->setFocus();
    box->installEventFilter(&recorder);
    key(Qt::Key_A);
    chord();
    key(Qt::Key_B);
    ASSERT_EQ(recorder.keys.size(), 3u);
    EXPECT_EQ(recorder.keys[1].first, Qt::Key_J);
    EXPECT_EQ(recorder.keys[1].second, Qt::ControlModifier);
    EXPECT_EQ(window.text(ControlId("Text1")), "ab");
    EXPECT_EQ(window.windowHeight(), kUnlockedHeight);
    EXPECT_EQ(top()->focusWidget(), box);
}

TEST_F(Views, EachHeightShowsItsClientDepth) {
    struct Row {
        int height;
        std::vector<const char*> whole;
        std::vector<const char*> part;
        std::vector<const char*> none;
    };
    const Row rows[] = {
        {kCompactHeight,
         {"Command16", "Command42", "Command33"},
         {"Frame9"},
         {"Label11", "Label22", "Command34", "Command44", "Option3", "Text1"}},
        {kDataHeight,
         {"Label11", "Label12", "Label22", "Command34", "Command52", "Command44", "Command55"},
         {"Command38", "Command12", "Frame11"},
         {"Option3", "Command63", "Command97", "Text1"}},
        {kUnlockedHeight,
         {"Command38", "Command12", "Option3", "Option8", "Label21"},
         {"Frame14", "Frame16"},
         {"Command63", "Command97", "Command99", "Text1"}},
        {kExtendedHeight, {"Command86", "Command97", "Command99", "Text1", "Command96", "Frame15"}, {}, {}},
    };
    window.setVisible(ControlId("Command34"), true);
    for (const Row& row : rows) {
        window.setWindowHeight(row.height);
        QCoreApplication::processEvents();
        EXPECT_EQ(top()->height(), pixels(row.height - kFrameAllowance));
        EXPECT_EQ(top()->width(), pixels(kClientWidth)) << "the width never changes";
        EXPECT_EQ(top()->minimumSize(), top()->maximumSize()) << "the user cannot resize";
        for (const char* name : row.whole)
            EXPECT_EQ(seen(name), control(name)->rect()) << name << " at " << row.height;
        for (const char* name : row.part) {
            EXPECT_FALSE(seen(name).isEmpty()) << name << " at " << row.height;
            EXPECT_NE(seen(name), control(name)->rect()) << name << " at " << row.height;
        }
        for (const char* name : row.none)
            EXPECT_TRUE(seen(name).isEmpty()) << name << " at " << row.height;
    }
    // Of the trace frame the compact view shows the top edge alone.
    window.setWindowHeight(kCompactHeight);
    EXPECT_EQ(seen("Frame9").height(), pixels(4980 - 4920));
}

TEST(ViewsBeforeLoad, WindowReportsItsFullDesignedHeight) {
    FakeSerialPort port;
    QtWindow window(port);
    EXPECT_EQ(window.windowHeight(), kExtendedHeight);
    EXPECT_GE(window.windowWidth(), kClientWidth) << "the outer width, borders included";
}

// Centred across, and placed from the full height before being cut to the compact one: higher than centred.
TEST_F(Views, OpensCentredFromTheFullHeight) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.screenWidth(), screen.width() * 15);
    EXPECT_EQ(window.screenHeight(), screen.height() * 15);
    EXPECT_EQ(window.windowWidth(), top()->frameGeometry().width() * 15);
    EXPECT_NEAR(top()->frameGeometry().left(), (screen.width() * 15 - window.windowWidth()) / 30.0, 1.0);
    EXPECT_NEAR(top()->frameGeometry().top(), (screen.height() * 15 - kExtendedHeight) / 30.0, 1.0);
    window.moveWindow(-300, -600);
    EXPECT_EQ(top()->frameGeometry().topLeft(), QPoint(-20, -40)) << "negative positions stand";
}

} // namespace
} // namespace q7::test
