// SPDX-License-Identifier: MIT
// Mouse and keyboard on the real window reaching the form: one-shot and held buttons, options, the CMD box,
// the trace lines, the warning box.
#include "panel/views.h"
#include "protocol/command_catalogue.h"
#include "protocol/held_buttons.h"
#include "qt/qt_widgets.h"
#include "window_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace q7::test {
namespace {

class Input : public ShownWindow {
  protected:
    Input() {
        window.setWindowHeight(kExtendedHeight);
        // The platform window takes the new height from the event queue.
        EXPECT_TRUE(QTest::qWaitFor([this] { return handle()->height() == top()->height(); }));
    }

    std::string frame(std::string_view command) const { return std::string(command) + "\r"; }
    void press(std::string_view name, Qt::MouseButton button, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mousePress(handle(), button, mods, middleOf(name));
    }
    void releaseAt(QPoint at, Qt::MouseButton button) {
        QTest::mouseRelease(handle(), button, Qt::NoModifier, at);
    }
    bool isDown(std::string_view name) { return static_cast<QPushButton*>(control(name))->isDown(); }
};

TEST_F(Input, EveryCatalogueButtonSendsItsCommandOnAClick) {
    int clicked = 0;
    for (const ControlSpec& row : panelLayout()) {
        const CatalogueEntry* entry = findCatalogueEntry(row.name);
        if (!entry) continue;
        port.writes.clear();
        click(row.name);
        ASSERT_EQ(port.writes.size(), 1u) << row.name;
        EXPECT_EQ(port.writes[0], frame(entry->command)) << row.name;
        ++clicked;
    }
    EXPECT_EQ(clicked, 65);
}

TEST_F(Input, SpaceAndEnterClickTheFocusedOneShotButton) {
    for (Qt::Key k : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        port.writes.clear();
        control("Command18")->setFocus();
        key(k);
        EXPECT_EQ(port.writes, std::vector<std::string>{"C01\r"}) << "key " << k;
    }
    // At start the focus is on POWER "ON": Enter switches the projector on.
    port.writes.clear();
    control("Command17")->setFocus();
    key(Qt::Key_Return);
    EXPECT_EQ(port.writes, std::vector<std::string>{"C00\r"});
}

TEST_F(Input, AnyMouseButtonStartsAHoldAndItsReleaseEndsIt) {
    for (const HeldEntry& held : heldButtons()) {
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            port.writes.clear();
            press(held.control, button, button == Qt::MiddleButton ? Qt::ShiftModifier : Qt::NoModifier);
            EXPECT_EQ(form.HeldButton, held.heldCode) << held.control << " button " << button;
            EXPECT_EQ(port.writes, std::vector<std::string>{frame(held.command)}) << held.control;
            EXPECT_TRUE(isDown(held.control));
            releaseAt(middleOf(held.control), button);
            EXPECT_EQ(form.HeldButton, 0) << held.control << " button " << button;
            EXPECT_FALSE(isDown(held.control));
            EXPECT_EQ(port.writes.size(), 1u);
        }
    }
}

// The pressed button keeps the pointer: the release comes to it wherever the pointer has gone.
TEST_F(Input, ReleaseOutsideTheButtonEndsTheHold) {
    press("Command1", Qt::RightButton);
    EXPECT_EQ(form.HeldButton, 1);
    const QPoint elsewhere = middleOf("Command17");
    QTest::mouseMove(handle(), elsewhere);
    EXPECT_EQ(form.HeldButton, 1) << "leaving the button is no release";
    EXPECT_TRUE(isDown("Command1"));
    releaseAt(elsewhere, Qt::RightButton);
    EXPECT_EQ(form.HeldButton, 0);
    EXPECT_EQ(port.writes, std::vector<std::string>{"C09\r"}) << "POWER ON saw nothing";

    press("Command15", Qt::LeftButton);
    releaseAt(QPoint(top()->width() + 50, top()->height() + 50), Qt::LeftButton);
    EXPECT_EQ(form.HeldButton, 0) << "released outside the window";
}

TEST_F(Input, KeysOnAHeldButtonSendNothing) {
    for (const char* name : {"Command1", "Command5", "Command6", "Command59"}) {
        control(name)->setFocus();
        for (Qt::Key k : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            port.writes.clear();
            key(k);
            EXPECT_TRUE(port.writes.empty()) << name << " key " << k;
            EXPECT_EQ(form.HeldButton, 0);
        }
    }
}

// With no release to come, the hold ends as a release would; a release arriving later changes nothing more.
TEST_F(Input, LosingTheWindowEndsTheHold) {
    QApplication::setActiveWindow(top());
    ASSERT_TRUE(top()->isActiveWindow());
    press("Command36", Qt::LeftButton);
    EXPECT_EQ(form.HeldButton, 9);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_FALSE(top()->isActiveWindow());
    EXPECT_EQ(form.HeldButton, 0);
    EXPECT_FALSE(isDown("Command36"));
    window.setText(ControlId("Label11"), "kept");
    releaseAt(middleOf("Command36"), Qt::LeftButton);
    EXPECT_EQ(window.text(ControlId("Label11")), "kept") << "the late release ran the release handler again";
}

TEST_F(Input, AWarningBoxEndsTheHoldAndDoesNotBlock) {
    press("Command48", Qt::RightButton);
    EXPECT_EQ(form.HeldButton, 17);
    window.showWarning("Cannot open /dev/fake2: no such device");
    // Reached here: no nested event loop ran the box.
    EXPECT_EQ(form.HeldButton, 0);
    QMessageBox* box = top()->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->isModal());
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->text(), "Cannot open /dev/fake2: no such device");
    EXPECT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
    QPointer<QMessageBox> gone(box);
    box->buttons().front()->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull()) << "the box is deleted once closed";
    window.setText(ControlId("Label11"), "kept");
    releaseAt(middleOf("Command48"), Qt::RightButton);
    EXPECT_EQ(window.text(ControlId("Label11")), "kept") << "the late release ran the release handler again";
}

TEST_F(Input, OptionClicksActAndSelectingFromCodeDoesNot) {
    click("Option5");
    EXPECT_EQ(form.AddressPrefix, "A001");
    EXPECT_TRUE(window.isSelected(ControlId("Option5")));
    EXPECT_FALSE(window.isSelected(ControlId("Option3")));
    window.setSelected(ControlId("Option6"));
    EXPECT_EQ(form.AddressPrefix, "A001");
    EXPECT_TRUE(window.isSelected(ControlId("Option6")));
    EXPECT_FALSE(window.isSelected(ControlId("Option5")));
    // The port options are a group of their own: choosing a projector left "COM1" selected.
    EXPECT_TRUE(window.isSelected(ControlId("Option1")));
    EXPECT_TRUE(window.isSelected(ControlId("Option9")));
}

// One byte per character: Latin-1 as it stands, anything beyond it '?'.
TEST_F(Input, CommandBoxHandsOverOneBytePerCharacter) {
    auto* box = static_cast<QLineEdit*>(control("Text1"));
    box->setFocus();
    QTest::keyClicks(box, "CR0 ");
    // Typed characters beyond ASCII arrive as text with the key event.
    for (const QString& typed :
         {QString::fromUtf8("\u00e9"), QString::fromUtf8("\u65e5"), QString::fromUtf8("\U0001F600")}) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
        QCoreApplication::sendEvent(box, &event);
    }
    EXPECT_EQ(window.text(ControlId("Text1")), "CR0 \xE9??");
    window.setText(ControlId("Text1"), "A\xB5Z");
    EXPECT_EQ(box->text(), QString::fromUtf8("A\u00b5Z"));
    EXPECT_EQ(window.text(ControlId("Text1")), "A\xB5Z");
    click("Command95");
    EXPECT_EQ(port.writes.back(), "A\xB5Z\r");
}

// What each update costs is measured by bench/receive_bench; here, that only the visible part is laid out.
TEST_F(Input, LongTraceLinesReadBackWholeAndLayOutOnlyTheirStart) {
    std::string rxd;
    for (int i = 0; rxd.size() < 65000; ++i)
        rxd += i % 7 ? "A " : "CR ";
    auto* line = static_cast<QLabel*>(control("Label12"));
    window.setText(ControlId("Label12"), rxd);
    line->repaint();
    EXPECT_EQ(window.text(ControlId("Label12")), rxd);
    EXPECT_LT(line->text().size(), 1000) << "only the visible part is laid out";
    EXPECT_TRUE(rxd.starts_with(line->text().toStdString()));
    window.setText(ControlId("Label12"), " X X X X");
    EXPECT_EQ(line->text(), " X X X X");
}

} // namespace
} // namespace q7::test
