// SPDX-License-Identifier: MIT
#pragma once
// The window as data: every control of Form1 with its container, caption, geometry in twips, colours, font,
// alignment, border, tab position and initial state. The window is built from this table generically.

#include <cstdint>
#include <span>
#include <string_view>

namespace q7 {

inline constexpr std::string_view kWindowCaption = "VELM   Q7 & Q7L    CONTROL   Ver.1.41a";
inline constexpr int kClientWidth = 9495;
inline constexpr int kClientHeight = 8730;
inline constexpr int kTwipsPerPixel = 15;

enum class Kind { Frame, Label, Button, Option, TextBox, Image };
enum class FontKey { Inherit, G9B, G9, G8B, G8, G10B, G10, P9, P9B, P10B, P7 };
enum class Align { Left, Centre, Right };

// 0xRRGGBB, or kSystemColour for the toolkit's default of that kind of control.
inline constexpr std::uint32_t kSystemColour = 0xFFFFFFFFu;

struct Twips {
    int left;
    int top;
    int width;
    int height;
};

struct ControlSpec {
    std::string_view name;
    Kind kind;
    std::string_view container; // "Form1" or a frame's name
    std::string_view caption;   // UTF-8
    Twips geometry;             // relative to the container's client area
    std::uint32_t background;
    std::uint32_t foreground;
    FontKey font;
    Align align;
    bool border;
    int tab; // 0: takes no focus
    bool visibleAtStart;
    bool selectedAtStart;
    // For assistive technology, where the caption does not say what the control is ("↑", the picture); empty:
    // the caption is the name.
    std::string_view accessibleName = {};
    // What a screen reader adds to the name: the group of a "+" or "-", the role of a trace line.
    std::string_view accessibleDescription = {};
};

struct LineSpec {
    std::string_view name;
    int x1, y1, x2, y2; // window client coordinates, twips
};
inline constexpr std::uint32_t kOutlineColour = 0x8080FF;
inline constexpr int kOutlineWidthPixels = 2;

struct FontSpec {
    FontKey key;
    std::string_view face; // the designed face, UTF-8
    bool fixedPitch;
    double points;
    bool bold;
};

inline constexpr std::string_view kFormName = "Form1";

std::span<const ControlSpec> panelLayout();
const ControlSpec* findControl(std::string_view name);
std::span<const LineSpec> cursorPadOutline();
std::span<const FontSpec> fontTable();
const FontSpec& fontSpec(FontKey key);
// The window's own font.
inline constexpr FontKey kWindowFont = FontKey::G9B;
inline constexpr std::uint32_t kWindowBackground = 0xC0C0C0;

// The font a control is drawn with: its own, else its container's, up to the window's.
FontKey effectiveFont(const ControlSpec& control);
// The control's rectangle in window client coordinates.
Twips clientGeometry(const ControlSpec& control);

} // namespace q7
