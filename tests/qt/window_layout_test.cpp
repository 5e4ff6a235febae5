// SPDX-License-Identifier: MIT
// The built window against the layout table: where every control landed, what holds it, what it covers, the
// order the keyboard focus takes, fonts and what assistive technology reads.
#include "panel/views.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <vector>

namespace q7::test {
namespace {

int pixels(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

using Layout = ShownWindow;

TEST_F(Layout, EveryControlSitsInItsContainerAtItsDesignedPlace) {
    for (const ControlSpec& row : panelLayout()) {
        QWidget* w = window.control(row.name);
        ASSERT_NE(w, nullptr) << row.name;
        const QWidget* expectedParent = row.container == kFormName ? top() : window.control(row.container);
        EXPECT_EQ(w->parentWidget(), expectedParent) << row.name;
        const QRect expected(pixels(row.geometry.left), pixels(row.geometry.top), pixels(row.geometry.width),
                             pixels(row.geometry.height));
        EXPECT_EQ(w->geometry(), expected) << row.name;
        // The window's client area is the whole designed area, whatever depth the window shows now.
        const QRect container = row.container == kFormName
                                    ? QRect(0, 0, pixels(kClientWidth), pixels(kClientHeight))
                                    : w->parentWidget()->rect();
        EXPECT_TRUE(container.contains(w->geometry())) << row.name << " sticks out of its container";
    }
}

// Side by side or one above the other, controls share at most their one-pixel borders; the only control
// that covers another is the port settings frame over "COM".
TEST_F(Layout, NoControlCoversAnotherButThePortSettingsOverCom) {
    window.setWindowHeight(kExtendedHeight);
    std::vector<const ControlSpec*> all;
    for (const ControlSpec& row : panelLayout())
        all.push_back(&row);
    auto holds = [](const ControlSpec* outer, const ControlSpec* inner) {
        for (const ControlSpec* c = inner; c; c = findControl(c->container))
            if (c->container == outer->name) return true;
        return false;
    };
    int covering = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            if (holds(all[i], all[j]) || holds(all[j], all[i])) continue;
            const QRect overlap = onWindow(all[i]->name) & onWindow(all[j]->name);
            if (overlap.width() <= 1 || overlap.height() <= 1) continue;
            auto inPortSettings = [&](const ControlSpec* c) {
                return c->name == "Frame8" || holds(findControl("Frame8"), c);
            };
            const bool portOverCom = (inPortSettings(all[i]) && all[j]->name == "Command33") ||
                                     (inPortSettings(all[j]) && all[i]->name == "Command33");
            EXPECT_TRUE(portOverCom) << all[i]->name << " and " << all[j]->name << " overlap by "
                                     << overlap.width() << " x " << overlap.height() << " px";
            covering += portOverCom && (all[i]->name == "Frame8" || all[j]->name == "Frame8");
        }
    }
    EXPECT_EQ(covering, 1);
}

TEST_F(Layout, ThePortSettingsCoverComWhileShown) {
    const QRect com = onWindow("Command33");
    for (const QPoint p : {com.topLeft(), com.center(), com.bottomRight()})
        EXPECT_EQ(top()->childAt(p), control("Command33"));
    window.setVisible(ControlId("Frame8"), true);
    EXPECT_TRUE(onWindow("Frame8").contains(com));
    for (const QPoint p : {com.topLeft(), com.center(), com.bottomRight()}) {
        const QWidget* hit = top()->childAt(p);
        ASSERT_NE(hit, nullptr);
        EXPECT_TRUE(hit == control("Frame8") || control("Frame8")->isAncestorOf(hit))
            << hit->objectName().toStdString();
    }
}

TEST_F(Layout, FocusStartsOnPowerOnAndFollowsTheTabColumn) {
    EXPECT_EQ(top()->focusWidget(), control("Command17"));

    std::vector<std::pair<int, std::string_view>> byTab;
    for (const ControlSpec& row : panelLayout()) {
        QWidget* w = window.control(row.name);
        if (row.tab > 0) {
            byTab.emplace_back(row.tab, row.name);
            EXPECT_EQ(w->focusPolicy(), Qt::StrongFocus) << row.name;
        } else {
            EXPECT_EQ(w->focusPolicy(), Qt::NoFocus) << row.name << " must take no focus";
        }
    }
    std::sort(byTab.begin(), byTab.end());
    std::vector<std::string> expected;
    for (const auto& [tab, name] : byTab)
        expected.emplace_back(name);

    std::vector<std::string> chain;
    QWidget* w = control(expected.front());
    do {
        if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w->objectName().toStdString());
        w = w->nextInFocusChain();
    } while (w != control(expected.front()) && chain.size() <= expected.size());
    EXPECT_EQ(chain, expected);

    // The real keys: Tab and Shift+Tab move along the chain and wrap, skipping what is hidden.
    key(Qt::Key_Tab);
    EXPECT_EQ(top()->focusWidget(), control("Command1"));
    key(Qt::Key_Tab);
    EXPECT_EQ(top()->focusWidget(), control("Command2"));
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(top()->focusWidget(), control("Command17"));
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(top()->focusWidget(), control("Command99"));
    control("Command33")->setFocus();
    key(Qt::Key_Tab);
    EXPECT_EQ(top()->focusWidget(), control("Command15")) << "hidden COM1, COM2 and Command34 are skipped";
}

TEST_F(Layout, FontsComeFromTheFontTableOrTheContainer) {
    for (const ControlSpec& row : panelLayout()) {
        const FontSpec& f = fontSpec(effectiveFont(row));
        const QFont font = control(row.name)->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), f.points) << row.name;
        EXPECT_EQ(font.bold(), f.bold) << row.name;
    }
    // "VOL" names no font and takes the window's bold one; "Zoom" names its own, not bold.
    EXPECT_TRUE(control("Label3")->font().bold());
    EXPECT_EQ(control("Label3")->font(), top()->font());
    EXPECT_FALSE(control("Label13")->font().bold());
    // D.Zoom "+" and "-" differ: each takes its own row's font.
    EXPECT_NE(control("Command48")->font().families(), control("Command49")->font().families());
}

TEST_F(Layout, GothicFacesResolveToInstalledJapaneseFaces) {
    if (!QFontDatabase::hasFamily("IPAGothic") || !QFontDatabase::hasFamily("IPAPGothic"))
        GTEST_SKIP() << "fonts-ipafont-gothic is not installed";
    for (const ControlSpec& row : panelLayout()) {
        const FontSpec& f = fontSpec(effectiveFont(row));
        const QFontInfo info(control(row.name)->font());
        EXPECT_EQ(info.family(), f.fixedPitch ? "IPAGothic" : "IPAPGothic") << row.name;
    }
    // The data-display caption is Japanese and must not fall back to boxes.
    const QFontMetrics metrics(control("Command34")->font());
    for (const QChar c : QString::fromUtf8(kShowData))
        EXPECT_TRUE(metrics.inFont(c)) << static_cast<int>(c.unicode());
}

TEST_F(Layout, StartsWithTheDesignedStates) {
    EXPECT_FALSE(window.isVisible(ControlId("Frame8")));
    EXPECT_FALSE(window.isVisible(ControlId("Command34")));
    EXPECT_EQ(window.text(ControlId("Command34")), kShowData);
    // Loading selected "COM1"; the table's own selections stand.
    for (const ControlId option : {ControlId("Option1"), ControlId("Option3"), ControlId("Option9")})
        EXPECT_TRUE(window.isSelected(option)) << option.name();
    for (const ControlId option : {ControlId("Option2"), ControlId("Option4"), ControlId("Option10")})
        EXPECT_FALSE(window.isSelected(option)) << option.name();
    EXPECT_EQ(window.text(ControlId("Text1")), "");
    EXPECT_EQ(top()->windowTitle().toStdString(), kWindowCaption);
}

// Screen readers find every control by what it says; the trace lines expose their current text and say
// which line they are.
TEST_F(Layout, AssistiveTechnologyReadsEveryControl) {
    for (const ControlSpec& row : panelLayout()) {
        if (row.kind == Kind::Frame) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control(row.name));
        ASSERT_NE(a, nullptr) << row.name;
        const std::string name = a->text(QAccessible::Name).toStdString();
        if (row.kind == Kind::Button || row.kind == Kind::Option) {
            const std::string_view expected = row.accessibleName.empty() ? row.caption : row.accessibleName;
            EXPECT_EQ(name, expected) << row.name;
        }
        if (row.kind == Kind::Image || row.kind == Kind::TextBox) {
            EXPECT_FALSE(name.empty()) << row.name;
        }
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control("Command5"))->text(QAccessible::Name), "Up");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control("Command8"))->text(QAccessible::Name), "Right");

    const std::pair<ControlId, const char*> lines[] = {
        {Label11, "TXD"}, {Label12, "RXD"}, {Label22, "STATUS"}};
    for (const auto& [line, role] : lines) {
        window.setText(line, " Power ON");
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control(line.name()));
        EXPECT_EQ(a->text(QAccessible::Name), " Power ON") << line.name();
        EXPECT_EQ(a->text(QAccessible::Description), role) << line.name();
        EXPECT_TRUE(control(line.name())->accessibleName().isEmpty()) << line.name();
    }
}

} // namespace
} // namespace q7::test
