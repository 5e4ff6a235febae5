// SPDX-License-Identifier: MIT
#include "qt/widgets/qt_widgets.h"

#include <QAccessible>
#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QWindow>

namespace q7 {

namespace {} // namespace

FormSurface::FormSurface(std::span<const LineSpec> lines) : lines_(lines) {}

void FormSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    QPen pen(QColor(QRgb(kOutlineColour)), kOutlineWidthPixels);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    for (const LineSpec& line : lines_)
        painter.drawLine(QPointF(pixels(line.x1), pixels(line.y1)),
                         QPointF(pixels(line.x2), pixels(line.y2)));
}

void FormSurface::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) emit holdInterrupted();
    QWidget::changeEvent(event);
}

bool FormSurface::event(QEvent* event) {
    if (event->type() == QEvent::WindowBlocked) emit holdInterrupted();
    return QWidget::event(event);
}

void FormSurface::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Without a window manager nothing gives the window the keyboard; with one this is the usual request. A
    // warning raised while loading is already up and keeps the keyboard.
    if (event->spontaneous()) return;
    QWidget* modal = QApplication::activeModalWidget();
    (modal && modal->isVisible() ? modal : this)->activateWindow();
}

FaceButton::FaceButton(QWidget* parent)
    : QPushButton(parent), face_(palette().color(QPalette::Button)),
      textColour_(palette().color(QPalette::ButtonText)) {}

void FaceButton::setColours(const QColor& face, const QColor& text) {
    face_ = face;
    textColour_ = text;
    update();
}

void FaceButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(rect(), face_);
    QColor light(0xFF, 0xFF, 0xFF);
    QColor dark(0x40, 0x40, 0x40);
    if (isDown()) std::swap(light, dark);
    if (hasFocus()) light = dark = QColor(0, 0, 0);
    painter.setPen(light);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(dark);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.setPen(textColour_);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void FaceButton::setCaption(const QString& caption) {
    caption_ = caption;
    wrapCaption();
    // Assistive technology reads the caption shown now, whole rather than in its broken lines, and caches it
    // until told of a change. A name given by the layout ("Up" for "↑") stays.
    if ((accessibleName().isEmpty() || nameIsCaption_) && accessibleName() != caption_) {
        nameIsCaption_ = true;
        setAccessibleName(caption_);
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

void FaceButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    wrapCaption();
}

void FaceButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange) wrapCaption();
}

namespace {
// A caption of one character, or of ASCII without a blank, has nowhere to break.
bool canWrap(const QString& caption) {
    if (caption.size() <= 1) return false;
    for (QChar c : caption)
        if (c == QLatin1Char(' ') || c.unicode() > 0x7F) return true;
    return false;
}
} // namespace

void FaceButton::wrapCaption() {
    if (!canWrap(caption_)) {
        if (text() != caption_) setText(caption_);
        return;
    }
    const QString fontKey = font().key();
    if (caption_ == wrappedCaption_ && width() == wrappedWidth_ && fontKey == wrappedFont_) return;
    wrappedCaption_ = caption_;
    wrappedWidth_ = width();
    wrappedFont_ = fontKey;
    QTextLayout layout(caption_, font());
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    // The face's border and a pixel of air on either side.
    const qreal room = std::max(1, width() - 4);
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room);
        lines << caption_.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    const QString shown = lines.size() > 1 ? lines.join(QLatin1Char('\n')) : caption_;
    if (shown != text()) setText(shown);
}

OneShotButton::OneShotButton(QWidget* parent) : FaceButton(parent) {
    connect(this, &QPushButton::clicked, this, [this] {
        if (!actedOnRelease_) emit activated();
    });
}

// QPushButton repaints its face before it reports the click, and under X a repaint waits for the server: the
// command goes out first, then the face comes up.
void OneShotButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool clicks =
        event->button() == Qt::LeftButton && isDown() && hitButton(event->position().toPoint());
    if (clicks) {
        actedOnRelease_ = true;
        emit activated();
    }
    QPushButton::mouseReleaseEvent(event);
    actedOnRelease_ = false;
}

void OneShotButton::keyPressEvent(QKeyEvent* event) {
    // A push button outside a dialog ignores Enter; here Enter clicks like Space.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

HeldButton::HeldButton(QWidget* parent) : FaceButton(parent) {}

void HeldButton::cancelHold() {
    held_ = false;
    setDown(false);
}

void HeldButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    held_ = true;
    setDown(true);
    emit heldDown();
}

void HeldButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!held_) return;
    if (event->buttons() == Qt::NoButton) cancelHold();
    emit letGo();
}

// The face stays down while held, wherever the pointer goes: the hold lasts until the release.
void HeldButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void HeldButton::hideEvent(QHideEvent* event) {
    if (held_) {
        cancelHold();
        emit letGo();
    }
    FaceButton::hideEvent(event);
}

PlainLabel::PlainLabel(Qt::Alignment alignment, QWidget* parent) : QLabel(parent), alignment_(alignment) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment(alignment_);
}

void PlainLabel::setFullText(const std::string& utf8) {
    text_ = utf8;
    showVisiblePart();
}

void PlainLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    showVisiblePart();
}

void PlainLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        narrowest_ = 0;
        showVisiblePart();
    }
}

void PlainLabel::showVisiblePart() {
    // A short text is laid out whole: measuring the font would load glyphs that nothing shows.
    if (text_.size() <= kShortText) {
        setAlignment(alignment_);
        const QString shown = QString::fromUtf8(text_.data(), static_cast<qsizetype>(text_.size()));
        if (shown != text()) setText(shown);
        return;
    }
    if (narrowest_ == 0) {
        // Measured once per font for all labels.
        static QHash<QString, int> narrowestByFont;
        const QString key = font().key();
        auto it = narrowestByFont.constFind(key);
        if (it == narrowestByFont.constEnd()) {
            const QFontMetrics metrics(font());
            int narrowest = 1 << 16;
            for (char16_t c = 0x20; c < 0x7F; ++c)
                narrowest = std::min(narrowest, metrics.horizontalAdvance(QChar(c)));
            it = narrowestByFont.insert(key, std::max(1, narrowest));
        }
        narrowest_ = *it;
    }
    // What lies past the right edge cannot be seen, so it is not laid out. An ASCII character takes at least
    // the narrowest ASCII advance, any other at least a pixel. A text that overflows is read from its start.
    const int room = std::max(1, width());
    int used = 0;
    std::size_t end = 0;
    for (; end < text_.size(); ++end) {
        const auto byte = static_cast<unsigned char>(text_[end]);
        if ((byte & 0xC0) == 0x80) continue;
        if (used > room) break;
        used += byte < 0x80 ? narrowest_ : 1;
    }
    const bool cut = end < text_.size();
    setAlignment(cut ? (Qt::AlignLeft | Qt::AlignVCenter) : alignment_);
    const QString shown = QString::fromUtf8(text_.data(), static_cast<qsizetype>(end));
    if (shown != text()) setText(shown);
}

Picture::Picture(QWidget* parent) : QLabel(parent) {
    QPixmap pixmap(kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintArtwork(painter, font());
    painter.end();
    setPixmap(pixmap);
}

void Picture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintArtwork(painter, font());
}

void Picture::paintArtwork(QPainter& p, const QFont& face) {
    const QSize size = kSize;
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x1B, 0x2B, 0x5E));
    sky.setColorAt(1, QColor(0x0B, 0x12, 0x2E));
    p.fillRect(QRectF(0, 0, size.width(), size.height()), sky);
    // A beam widening from the lens towards the right.
    QPainterPath beam;
    beam.moveTo(27, 11);
    beam.lineTo(79, 2);
    beam.lineTo(79, 24);
    beam.lineTo(27, 15);
    beam.closeSubpath();
    QLinearGradient light(27, 0, 79, 0);
    light.setColorAt(0, QColor(255, 244, 190, 200));
    light.setColorAt(1, QColor(255, 244, 190, 20));
    p.fillPath(beam, light);
    // The projector body with its lens.
    p.setPen(QPen(QColor(0x50, 0x58, 0x68), 1));
    p.setBrush(QColor(0xD8, 0xDC, 0xE4));
    p.drawRoundedRect(QRectF(3.5, 7.5, 24, 12), 2.5, 2.5);
    p.setBrush(QColor(0x30, 0x36, 0x48));
    p.drawEllipse(QPointF(22, 13.5), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9F, 0xD0, 0xFF));
    p.drawEllipse(QPointF(21, 12.5), 1.3, 1.3);
    p.setBrush(QColor(0x3C, 0xC8, 0x5A));
    p.drawEllipse(QPointF(7.5, 11), 1.2, 1.2);
    // "Q7" on the beam.
    // The window's own face: another family would make the font database search for it at start-up.
    QFont font = face;
    font.setPixelSize(13);
    font.setBold(true);
    font.setItalic(true);
    p.setFont(font);
    p.setPen(QColor(0x1B, 0x2B, 0x5E));
    p.drawText(QRectF(44, 0, 34, 26), Qt::AlignCenter, QStringLiteral("Q7"));
}

void Picture::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit doubleClicked();
}

int KeyPreview::keyCode(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0;
    }
}

int KeyPreview::modifierMask(Qt::KeyboardModifiers modifiers) {
    // On macOS Qt reports the key marked Control as Meta; Ctrl+J means that key there, not Command.
#ifdef Q_OS_MACOS
    constexpr Qt::KeyboardModifier control = Qt::MetaModifier;
#else
    constexpr Qt::KeyboardModifier control = Qt::ControlModifier;
#endif
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & control ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

// On the window's QWindow a key is seen once and before the focused widget; a filter on the top-level
// widget would see only what the focused widget ignored. Key and modifiers, not the text: a real Ctrl+J
// carries "\n".
bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Auto-repeats too: a held key is a key-down at every repeat, as on every desktop.
        emit keyDown(keyCode(key->key()), modifierMask(key->modifiers()));
    }
    return QObject::eventFilter(watched, event);
}

} // namespace q7
