// SPDX-License-Identifier: MIT
#include "qt/widgets/qt_window.h"

#include "panel/form.h"
#include "panel/panel_layout.h"
#include "panel/views.h"
#include "protocol/held_buttons.h"
#include "qt/core/qt_timer.h"
#include "qt/core/translation.h"
#include "qt/widgets/qt_widgets.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <limits>
#include <map>
#include <vector>

namespace q7 {

namespace {

int px(int twips) {
    return qRound(pixels(twips));
}
QRect px(const Twips& g) {
    return {px(g.left), px(g.top), px(g.width), px(g.height)};
}
QString qs(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Qt breaks a line after the "/" or "-" of a path ("/ dev/ttyS0"): a word joiner after each keeps a path or
// an address whole, and shows nothing. Only in Japanese text, so that an English box's text stays exactly as
// written for whoever copies or compares it.
QString unbrokenPaths(const QString& text) {
    const bool japanese = std::any_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() >= 0x3000 && c.unicode() <= 0x9fff) ||
               (c.unicode() >= 0xff00 && c.unicode() <= 0xffef);
    });
    if (!japanese) return text;
    static const QRegularExpression pathLike(QStringLiteral(R"(\S*/\S*)"));
    QString out;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& path : pathLike.globalMatch(text)) {
        out += text.mid(done, path.capturedStart() - done);
        const QString token = path.captured();
        for (qsizetype i = 0; i < token.size(); ++i) {
            out += token[i];
            if ((token[i] == u'/' || token[i] == u'-') && i + 1 < token.size()) out += QChar(0x2060);
        }
        done = path.capturedEnd();
    }
    return out + text.mid(done);
}

// The nearest Japanese Gothic faces by name (IPA on Debian: fontconfig maps the designed names to DejaVu
// Sans), else the designed faces where they exist, else the generic family of the same pitch.
QFont qtFont(const FontSpec& row) {
    QFont font;
    if (row.fixedPitch)
        font.setFamilies({QStringLiteral("IPAGothic"), qs(row.face), QStringLiteral("MS Gothic"),
                          QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
    else
        font.setFamilies({QStringLiteral("IPAPGothic"), qs(row.face), QStringLiteral("MS PGothic"),
                          QStringLiteral("Noto Sans CJK JP"), QStringLiteral("sans-serif")});
    font.setStyleHint(row.fixedPitch ? QFont::Monospace : QFont::SansSerif);
    font.setPointSizeF(row.points);
    font.setBold(row.bold);
    return font;
}

// Q7PANEL_LABEL_RECORD names a file that gets each text a label is given, as "NAME<tab>TEXT" lines: a check
// from outside (the Windows end-to-end run under Wine) reads what the window shows without reading its
// pixels.
void recordLabel(std::string_view name, std::string_view text) {
    static const QString path = qEnvironmentVariable("Q7PANEL_LABEL_RECORD");
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    std::string line(name);
    line += '\t';
    for (const char c : text)
        line += c == '\n' ? ' ' : c;
    line += '\n';
    file.write(line.data(), static_cast<qint64>(line.size()));
}

Qt::Alignment qtAlignment(Align align) {
    switch (align) {
    case Align::Centre:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

QColor colour(std::uint32_t rgb, const QColor& system) {
    return rgb == kSystemColour ? system : QColor(QRgb(rgb));
}

void paint(QWidget* widget, const ControlSpec& row) {
    QPalette palette = widget->palette();
    if (row.background != kSystemColour) {
        // An option's background role is Button, a label's or frame's Window.
        palette.setColor(widget->backgroundRole(), QColor(QRgb(row.background)));
        widget->setAutoFillBackground(true);
    }
    if (row.foreground != kSystemColour) palette.setColor(QPalette::WindowText, QColor(QRgb(row.foreground)));
    // The shades of the frames' etched edges and the lines' sunken borders.
    palette.setColor(QPalette::Light, QColor(0xFF, 0xFF, 0xFF));
    palette.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x80));
    widget->setPalette(palette);
}

// One byte per character: a code point up to U+00FF is that byte, anything else '?'.
std::string toBytes(const QString& text) {
    std::string bytes;
    for (char32_t c : text.toUcs4())
        bytes += c <= 0xFF ? static_cast<char>(c) : '?';
    return bytes;
}

} // namespace

struct QtWindow::Impl {
    struct Control {
        const ControlSpec* row;
        QWidget* widget;
        std::string text;
    };

    Line& port;
    std::array<std::string, 2> devices;
    QtTimers timerFactory;
    FormSurface window{cursorPadOutline()};
    KeyPreview keyPreview;
    std::unique_ptr<QtTimer> timers[Timer4];
    std::vector<Control> controls;
    std::vector<HeldButton*> heldButtons;
    Form1* form = nullptr;
    int heightTwips = kExtendedHeight;
    std::map<int, QPointer<QMessageBox>> boxes;
    int lastBox = 0;

    Impl(Line& p, std::array<std::string, 2> d) : port(p), devices(std::move(d)) {}

    Control* find(std::string_view name) {
        auto it = std::find_if(controls.begin(), controls.end(),
                               [&](const Control& c) { return c.row->name == name; });
        return it == controls.end() ? nullptr : &*it;
    }
    const Control* find(std::string_view name) const { return const_cast<Impl*>(this)->find(name); }

    // The only place that sets the window's height: the client depth shown is the outer height less the
    // designed title bar and borders, whatever this platform's frame takes.
    void applyHeight() { window.setFixedSize(px(kClientWidth), px(heightTwips - kFrameAllowance)); }

    QWidget* create(const ControlSpec& row, QWidget* parent);
};

QWidget* QtWindow::Impl::create(const ControlSpec& row, QWidget* parent) {
    const ControlId name = ControlId::of(row);
    switch (row.kind) {
    case Kind::Frame: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        return frame;
    }
    case Kind::Label: {
        auto* label = new PlainLabel(qtAlignment(row.align), parent);
        if (row.border) {
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setIndent(2);
        }
        return label;
    }
    case Kind::Button: {
        FaceButton* button;
        if (findHeldByControl(row.name)) {
            auto* held = new HeldButton(parent);
            QObject::connect(held, &HeldButton::heldDown, held, [this, name] {
                if (form) form->press(name);
            });
            QObject::connect(held, &HeldButton::letGo, held, [this, name] {
                if (form) form->release(name);
            });
            heldButtons.push_back(held);
            button = held;
        } else {
            auto* oneShot = new OneShotButton(parent);
            QObject::connect(oneShot, &OneShotButton::activated, oneShot, [this, name] {
                if (form) form->click(name);
            });
            button = oneShot;
        }
        button->setColours(colour(row.background, button->palette().color(QPalette::Button)),
                           colour(row.foreground, button->palette().color(QPalette::ButtonText)));
        button->setFocusPolicy(Qt::StrongFocus);
        return button;
    }
    case Kind::Option: {
        // Options with the same parent form one exclusive group: the container is the group.
        auto* option = new QRadioButton(parent);
        option->setChecked(row.selectedAtStart);
        option->setFocusPolicy(Qt::StrongFocus);
        QObject::connect(option, &QRadioButton::clicked, option, [this, name] {
            if (form) form->click(name);
        });
        return option;
    }
    case Kind::TextBox: {
        auto* box = new QLineEdit(parent);
        box->setFocusPolicy(Qt::StrongFocus);
        // The box has no limit of its own: Qt's default of 32,767 characters would drop the rest of a paste.
        box->setMaxLength(std::numeric_limits<int>::max());
        return box;
    }
    case Kind::Image: {
        auto* picture = new Picture(parent);
        QObject::connect(picture, &Picture::doubleClicked, picture, [this, name] {
            if (form) form->dblClick(name);
        });
        return picture;
    }
    }
    return nullptr;
}

QtWindow::QtWindow(Line& port, std::array<std::string, 2> devices)
    : d_(std::make_unique<Impl>(port, std::move(devices))) {
    for (const TimerId id : {Timer1, Timer2, Timer3, Timer4})
        d_->timers[id - Timer1] = std::make_unique<QtTimer>(startInterval(id), [this, id] {
            if (d_->form) d_->form->timerTick(id);
        });

    FormSurface& window = d_->window;
    window.setWindowTitle(qs(kWindowCaption));
    // Fixed width, and heights chosen by the views alone: no resizing, no maximising; minimising is harmless.
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(QRgb(kWindowBackground)));
    window.setPalette(palette);
    window.setFont(qtFont(fontSpec(kWindowFont)));
    d_->applyHeight();

    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlSpec& row : panelLayout()) {
        QWidget* parent = &window;
        if (row.container != kFormName) parent = d_->find(row.container)->widget;
        QWidget* widget = d_->create(row, parent);
        widget->setObjectName(qs(row.name));
        widget->setGeometry(px(row.geometry));
        if (row.font != FontKey::Inherit) widget->setFont(qtFont(fontSpec(row.font)));
        if (row.kind != Kind::Button) paint(widget, row);
        if (!row.accessibleName.empty()) widget->setAccessibleName(qs(row.accessibleName));
        if (!row.accessibleDescription.empty())
            widget->setAccessibleDescription(qs(row.accessibleDescription));
        if (row.tab > 0) tabOrder.emplace_back(row.tab, widget);
        if (!row.visibleAtStart) widget->setVisible(false);
        d_->controls.push_back({&row, widget, std::string()});
        if (!row.caption.empty()) setText(ControlId::of(row), std::string(row.caption));
    }
    // A frame lies above whatever it covers ("COM" under the port settings).
    for (const Impl::Control& c : d_->controls)
        if (c.row->kind == Kind::Frame) c.widget->raise();

    std::sort(tabOrder.begin(), tabOrder.end());
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    tabOrder.front().second->setFocus();

    QObject::connect(&window, &FormSurface::holdInterrupted, &window, [this] {
        for (HeldButton* held : d_->heldButtons)
            held->cancelHold();
        if (d_->form) d_->form->holdInterrupted();
    });
    QObject::connect(&d_->keyPreview, &KeyPreview::keyDown, &window, [this](int key, int mask) {
        if (d_->form) d_->form->keyDown(key, mask);
    });
    window.winId();
    window.windowHandle()->installEventFilter(&d_->keyPreview);
}

QtWindow::~QtWindow() = default;

void QtWindow::attach(Form1& form) {
    d_->form = &form;
}
QWidget* QtWindow::window() const {
    return &d_->window;
}

QWidget* QtWindow::control(std::string_view name) const {
    const Impl::Control* c = d_->find(name);
    return c ? c->widget : nullptr;
}

Timer& QtWindow::timer(TimerId timer) {
    return *d_->timers[timer - Timer1];
}
TimerFactory& QtWindow::timers() {
    return d_->timerFactory;
}
Line& QtWindow::port() {
    return d_->port;
}
std::string QtWindow::device(int portNumber) const {
    return d_->devices[portNumber == 2 ? 1 : 0];
}

void QtWindow::setText(ControlId control, const std::string& text) {
    Impl::Control* c = d_->find(control.name());
    if (!c) return;
    c->text = text;
    switch (c->row->kind) {
    case Kind::Label:
        static_cast<PlainLabel*>(c->widget)->setFullText(text);
        recordLabel(control.name(), text);
        break;
    case Kind::Button:
        static_cast<FaceButton*>(c->widget)->setCaption(qs(text));
        break;
    case Kind::Option:
        static_cast<QRadioButton*>(c->widget)->setText(qs(text));
        break;
    case Kind::TextBox:
        static_cast<QLineEdit*>(c->widget)->setText(
            QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        break;
    default:
        break;
    }
}

std::string QtWindow::text(ControlId control) const {
    const Impl::Control* c = d_->find(control.name());
    if (!c) return {};
    if (c->row->kind == Kind::TextBox) return toBytes(static_cast<QLineEdit*>(c->widget)->text());
    return c->text;
}

void QtWindow::setVisible(ControlId control, bool visible) {
    if (Impl::Control* c = d_->find(control.name())) c->widget->setVisible(visible);
}

bool QtWindow::isVisible(ControlId control) const {
    const Impl::Control* c = d_->find(control.name());
    return c && !c->widget->isHidden();
}

void QtWindow::setSelected(ControlId option) {
    if (Impl::Control* c = d_->find(option.name()); c && c->row->kind == Kind::Option)
        static_cast<QRadioButton*>(c->widget)->setChecked(true);
}

bool QtWindow::isSelected(ControlId option) const {
    const Impl::Control* c = d_->find(option.name());
    return c && c->row->kind == Kind::Option && static_cast<QRadioButton*>(c->widget)->isChecked();
}

int QtWindow::windowHeight() const {
    return d_->heightTwips;
}

void QtWindow::setWindowHeight(int twips) {
    d_->heightTwips = twips;
    d_->applyHeight();
}

int QtWindow::windowWidth() const {
    return d_->window.frameGeometry().width() * kTwipsPerPixel;
}

void QtWindow::moveWindow(int left, int top) {
    d_->window.move(px(left), px(top));
}

int QtWindow::screenWidth() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() * kTwipsPerPixel : 0;
}

int QtWindow::screenHeight() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() * kTwipsPerPixel : 0;
}

int QtWindow::showWarning(const Message& text) {
    // Modal for the window but not blocking the handler that reports: no nested event loop.
    auto* box = new QMessageBox(QMessageBox::Warning, qs(kWindowCaption), unbrokenPaths(translated(text)),
                                QMessageBox::Ok, &d_->window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->open();
    // Without a window manager the box would not get the keyboard: Enter or Space answers it.
    box->activateWindow();
    std::erase_if(d_->boxes, [](const auto& entry) { return entry.second.isNull(); });
    d_->boxes.emplace(++d_->lastBox, box);
    return d_->lastBox;
}

void QtWindow::closeWarning(int box) {
    if (auto it = d_->boxes.find(box); it != d_->boxes.end()) {
        if (it->second) it->second->close();
        d_->boxes.erase(it);
    }
}

void QtWindow::quit() {
    d_->window.close();
    QCoreApplication::quit();
}

} // namespace q7
