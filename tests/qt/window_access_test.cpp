// SPDX-License-Identifier: MIT
// What assistive technology reads of a caption that changes, and a paste into the CMD box.
#include "panel/views.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <cstdio>

namespace q7::test {
namespace {

// What a screen reader reads is the caption shown now, whether or not it is wrapped on the face. (The change
// is also announced, but without an accessibility bus Qt's accessibility stays inactive and delivers no
// event.)
TEST_F(ShownWindow, ScreenReadersReadTheDataButtonsCaptionAsItChanges) {
    QWidget* button = control("Command34");
    const auto expectName = [&](const char* caption, const char* after) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name),
                  QString::fromUtf8(caption))
            << after;
    };
    key(Qt::Key_J, Qt::ControlModifier);
    expectName("CLOSE", "Ctrl+J");
    form.click("Command34");
    expectName("データを表示する", "a click on CLOSE");
    form.click("Command34");
    expectName("データを表示しない", "a click in the compact view");
    doubleClick("Image1");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name), "データを表示しない")
        << "locked: the picture changes nothing";
    key(Qt::Key_J, Qt::ControlModifier);
    expectName("CLOSE", "Ctrl+J in the data view");
}

// A paste is not cut at the line edit's usual 32,767 characters: all of it goes out on SEND.
TEST_F(ShownWindow, APasteOfAHundredThousandCharactersGoesOutWhole) {
    window.setWindowHeight(kExtendedHeight);
    const QString text(100000, QLatin1Char('7'));
    QGuiApplication::clipboard()->setText(text);
    auto* box = static_cast<QLineEdit*>(control("Text1"));
    box->setFocus();
    QTest::keySequence(box, QKeySequence::Paste);
    ASSERT_EQ(box->text().size(), 100000);
    port.writes.clear();
    QElapsedTimer timer;
    timer.start();
    click("Command95");
    std::printf("SEND of 100,000 characters: %lld ms\n", static_cast<long long>(timer.elapsed()));
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0], std::string(100000, '7') + "\r");
}

} // namespace
} // namespace q7::test
