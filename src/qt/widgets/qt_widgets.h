// SPDX-License-Identifier: MIT
#pragma once
// Widget classes of the window: the window surface with the cursor-pad outline, one-shot and held push
// buttons, plain-text labels, the picture, and the key preview.

#include "panel/panel_layout.h"

#include <QLabel>
#include <QObject>
#include <QPainter>
#include <QPushButton>
#include <QWidget>
#include <span>
#include <string>

namespace q7 {

// Twips on the screen: 15 to a pixel.
constexpr qreal pixels(int twips) {
    return static_cast<qreal>(twips) / kTwipsPerPixel;
}

// Form1's client area: the window's background and the lines drawn on it beneath every control.
class FormSurface final : public QWidget {
    Q_OBJECT
  public:
    explicit FormSurface(std::span<const LineSpec> lines);

  signals:
    // No release can reach a held button any more: the window lost activation or a modal box blocks it.
    void holdInterrupted();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    std::span<const LineSpec> lines_;
};

// A push button with a coloured face whose caption wraps onto further lines when one is too narrow for it,
// between words or between Japanese characters.
// The face is painted here, flat in its colour with a one-pixel bevel: a palette colour alone is drawn as a
// gradient by the styles, and a style sheet per button costs start-up time and every repaint.
class FaceButton : public QPushButton {
    Q_OBJECT
  public:
    explicit FaceButton(QWidget* parent);
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }
    void setColours(const QColor& face, const QColor& text);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void wrapCaption();
    QString caption_;
    QColor face_;
    QColor textColour_;
    bool nameIsCaption_ = false;
    // What the caption was last wrapped for: a layout per button is what start-up spends its time on.
    QString wrappedCaption_;
    int wrappedWidth_ = -1;
    QString wrappedFont_;
};

// A push button that acts on a click: mouse, Space, or Enter while it has the focus.
class OneShotButton final : public FaceButton {
    Q_OBJECT
  public:
    explicit OneShotButton(QWidget* parent);

  signals:
    // Once per click, whichever way it came.
    void activated();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool actedOnRelease_ = false;
};

// A push button that acts on the mouse alone: press and release of any mouse button. It takes the press and
// release events itself, since QPushButton reports a release as soon as the pointer leaves and ignores all
// but the left button; the implicit grab brings the release here even outside the window. The keyboard
// activates nothing.
class HeldButton final : public FaceButton {
    Q_OBJECT
  public:
    explicit HeldButton(QWidget* parent);
    // Forgets a hold whose release can no longer come, so a late release is not reported.
    void cancelHold();

  signals:
    void heldDown();
    void letGo();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    bool held_ = false;
};

// A label that shows its text as plain text and reads it back exactly as set. Only what can be seen is laid
// out: a trace line tens of thousands of characters long costs no more to set than a short one.
class PlainLabel final : public QLabel {
    Q_OBJECT
  public:
    PlainLabel(Qt::Alignment alignment, QWidget* parent);
    void setFullText(const std::string& utf8);
    const std::string& fullText() const { return text_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // Up to this many bytes a text is shown whole; a trace line is rarely longer unless something chatters.
    static constexpr std::size_t kShortText = 400;
    void showVisiblePart();
    std::string text_;
    Qt::Alignment alignment_;
    int narrowest_ = 0; // pixels, for the current font; 0 until measured
};

// The picture in the top right-hand corner, 80 x 26 at its natural size: an image of our own, drawn in code.
class Picture final : public QLabel {
    Q_OBJECT
  public:
    explicit Picture(QWidget* parent);
    static constexpr QSize kSize{80, 26};
    static void paintArtwork(QPainter& painter, const QFont& face);

  signals:
    void doubleClicked();

  protected:
    // Drawn at the screen's own resolution wherever the window goes; the pixmap set on the label makes it a
    // graphic for assistive technology.
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// Sees every key pressed in the window once, before the focused control, and lets it through.
class KeyPreview final : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // The key code of the key-down event (letters and digits as their upper-case ASCII codes) and the
    // modifier mask: Shift 1, Ctrl 2, Alt 4.
    static int keyCode(int qtKey);
    static int modifierMask(Qt::KeyboardModifiers modifiers);

  signals:
    void keyDown(int keyCode, int shiftMask);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace q7
