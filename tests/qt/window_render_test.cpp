// SPDX-License-Identifier: MIT
// What the window looks like, read from a rendering of it: the faces' colours, the outline, the red status
// text, markup shown as it stands.
#include "panel/views.h"
#include "window_fixture.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <cstdlib>

namespace q7::test {
namespace {

using Rendered = ShownWindow;

bool near(QColor seen, std::uint32_t rgb, int tolerance = 4) {
    const QColor want{QRgb(rgb)};
    return std::abs(seen.red() - want.red()) <= tolerance &&
           std::abs(seen.green() - want.green()) <= tolerance &&
           std::abs(seen.blue() - want.blue()) <= tolerance;
}

std::string hex(QColor c) {
    return c.name().toStdString();
}

// Counts the pixels of a region that match a colour test.
template <class Test> int count(const QImage& image, const QRect& region, Test test) {
    int n = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            n += test(image.pixelColor(x, y));
    return n;
}

// Sampled at mid-height a few pixels in from the left edge: inside the border, clear of the centred caption.
TEST_F(Rendered, EveryButtonFaceShowsItsColourFlat) {
    window.setWindowHeight(kExtendedHeight);
    window.setVisible(ControlId("Command34"), true);
    const QImage image = top()->grab().toImage();
    int sampled = 0;
    for (const ControlSpec& row : panelLayout()) {
        if (row.kind != Kind::Button || row.background == kSystemColour || row.name == "Command33") continue;
        const QRect r = onWindow(row.name);
        for (const QPoint p : {QPoint(r.left() + 3, r.center().y()), QPoint(r.right() - 3, r.top() + 3)}) {
            EXPECT_TRUE(near(image.pixelColor(p), row.background))
                << row.name << " shows " << hex(image.pixelColor(p)) << " at " << p.x() << "," << p.y();
        }
        ++sampled;
    }
    EXPECT_GT(sampled, 80);
}

TEST_F(Rendered, ButtonsHaveAVisibleBorderAndTheWindowItsGrey) {
    const QImage image = top()->grab().toImage();
    const QRect on = onWindow("Command17");
    EXPECT_FALSE(near(image.pixelColor(on.left() + 3, on.bottom()), 0xC0FFC0)) << "no border under POWER ON";
    EXPECT_FALSE(near(image.pixelColor(on.right(), on.center().y()), 0xC0FFC0))
        << "no border right of POWER ON";
    EXPECT_TRUE(near(image.pixelColor(2, 2), kWindowBackground));
}

TEST_F(Rendered, CursorPadOutlineIsDrawnInItsColour) {
    const QImage image = top()->grab().toImage();
    for (const LineSpec& line : cursorPadOutline()) {
        const QPoint middle((line.x1 + line.x2) / 30, (line.y1 + line.y2) / 30);
        EXPECT_TRUE(near(image.pixelColor(middle), kOutlineColour, 2))
            << line.name << " shows " << hex(image.pixelColor(middle));
    }
}

TEST_F(Rendered, StatusTextIsRedAndPowerIsDarkRed) {
    window.setWindowHeight(kExtendedHeight);
    window.setText(ControlId("Label22"), " Lamp ON  Temp OK");
    const QImage image = top()->grab().toImage();
    const int red = count(image, onWindow("Label22"), [](QColor c) { return near(c, 0xFF0000, 8); });
    EXPECT_GT(red, 20) << "red pixels in the STATUS line";
    const int darkRed = count(image, onWindow("Label1"), [](QColor c) { return near(c, 0xC00000, 8); });
    EXPECT_GT(darkRed, 10) << "#C00000 pixels in the POWER title";
    EXPECT_EQ(count(image, onWindow("Label11"), [](QColor c) { return near(c, 0xFF0000, 60); }), 0)
        << "TXD line is not red";
}

// Markup in a reply is text like any other: the line shows the characters, not bold type or an image.
TEST_F(Rendered, MarkupInALineShowsAsItStands) {
    window.setWindowHeight(kExtendedHeight);
    auto ink = [&](const std::string& text) {
        window.setText(ControlId("Label12"), text);
        const QImage image = top()->grab().toImage();
        const QRect line = onWindow("Label12").adjusted(2, 2, -2, -2);
        int rightmost = -1;
        for (int y = line.top(); y <= line.bottom(); ++y)
            for (int x = line.left(); x <= line.right(); ++x)
                if (image.pixelColor(x, y).lightness() < 128) rightmost = std::max(rightmost, x);
        return rightmost;
    };
    const int plain = ink("x");
    const int markup = ink("<b>x</b>");
    EXPECT_GT(markup, plain + 20) << "the tags are drawn as characters";
    EXPECT_EQ(window.text(ControlId("Label12")), "<b>x</b>");
    EXPECT_EQ(static_cast<QLabel*>(control("Label12"))->text(), "<b>x</b>");

    window.setText(ControlId("Label22"), "<img src=\"/nonexistent.png\">");
    EXPECT_EQ(static_cast<QLabel*>(control("Label22"))->text(), "<img src=\"/nonexistent.png\">");
    EXPECT_EQ(static_cast<QLabel*>(control("Label22"))->textFormat(), Qt::PlainText);
}

TEST_F(Rendered, PictureIsOurOwnAtNaturalSize) {
    QWidget* picture = control("Image1");
    EXPECT_EQ(picture->size(), QSize(80, 26));
    const QImage image = top()->grab().toImage().copy(onWindow("Image1"));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 20) << "a picture, not a flat box";
}

} // namespace
} // namespace q7::test
