// SPDX-License-Identifier: MIT
#pragma once
// The window as data: every control of Form1 with its container, caption, geometry in twips, colours, font,
// alignment, border, tab position and initial state. The window is built from this table generically.

#include <array>
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

// The window's own font.
inline constexpr FontKey kWindowFont = FontKey::G9B;
inline constexpr std::uint32_t kWindowBackground = 0xC0C0C0;

// The rows, constant and visible to the compiler, so that a control name in the code can be checked against
// them while building.
namespace layout {

using enum Kind;
using enum FontKey;
using enum Align;

inline constexpr std::uint32_t ink = 0x000000;
inline constexpr std::uint32_t sys = kSystemColour;
inline constexpr bool Y = true;
inline constexpr bool N = false;

// Frames come before what they hold, so one pass over the table can build the window.
// clang-format off
inline constexpr auto kFixed = std::to_array<ControlSpec>({
//   name         kind     in         caption           left  top   width height  background text font   align  border tab shown selected  accessible name, description
    {"Frame1",    Frame,   "Form1",   "",               {120,  240,  1695, 975},  0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame2",    Frame,   "Form1",   "",               {2520, 240,  2415, 975},  0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame6",    Frame,   "Form1",   "",               {5640, 240,  1695, 975},  0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame3",    Frame,   "Form1",   "",               {120,  1440, 1695, 855},  0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame4",    Frame,   "Form1",   "",               {1920, 1440, 1695, 855},  0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame7",    Frame,   "Form1",   "",               {3720, 1440, 1695, 855},  0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame5",    Frame,   "Form1",   "",               {5520, 1440, 1815, 855},  0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame10",   Frame,   "Form1",   "",               {7680, 600,  1692, 1695}, 0xC0C0C0, ink, P7,    Left,   Y,  0,   Y, N},
    {"Frame8",    Frame,   "Form1",   "",               {3480, 3600, 2775, 1185}, 0xC0C0C0, ink, P9,    Left,   Y,  0,   N, N},
    {"Frame13",   Frame,   "Frame8",  "",               {120,  480,  2535, 615},  0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame9",    Frame,   "Form1",   "",               {45,   4920, 6312, 1290}, 0xC0C0C0, ink, P9,    Left,   Y,  0,   Y, N},
    {"Frame11",   Frame,   "Form1",   "",               {75,   6225, 6765, 465},  0xC0C0C0, ink, P7,    Left,   Y,  0,   Y, N},
    {"Frame14",   Frame,   "Form1",   "",               {120,  6735, 7215, 1080}, 0xC0C0C0, ink, G9B,   Left,   Y,  0,   Y, N},
    {"Frame16",   Frame,   "Form1",   "",               {7440, 6750, 1935, 945},  0xC0C0C0, ink, G9B,   Left,   Y,  0,   Y, N},
    {"Frame15",   Frame,   "Form1",   "",               {120,  8040, 7215, 570},  0xC0C0C0, ink, G9B,   Left,   Y,  0,   Y, N},

    // Upper area: shown at every height.
    {"Label1",    Label,   "Frame1",  "POWER",          {240,  240,  1095, 255},  0xC0C0C0, 0xC00000, P9, Centre, N, 0,   Y, N},
    {"Command17", Button,  "Frame1",  "ON",             {120,  600,  615,  300},  0xC0FFC0, ink, P9B,   Centre, N,  1,   Y, N, {}, "POWER"},
    {"Command18", Button,  "Frame1",  "OFF",            {960,  600,  615,  300},  0xFFC0C0, ink, P9B,   Centre, N,  27,  Y, N, {}, "POWER"},
    {"Label2",    Label,   "Frame2",  "INPUT MODE SET", {240,  240,  1935, 255},  0xC0C0C0, ink, P9,    Centre, N,  0,   Y, N},
    {"Command27", Button,  "Frame2",  "1",              {240,  600,  495,  300},  0xC0FFFF, ink, P9B,   Centre, N,  36,  Y, N, {}, "INPUT MODE SET"},
    {"Command28", Button,  "Frame2",  "2",              {960,  600,  495,  300},  0xC0FFFF, ink, P9B,   Centre, N,  37,  Y, N, {}, "INPUT MODE SET"},
    {"Command29", Button,  "Frame2",  "3",              {1680, 600,  495,  300},  0xC0FFFF, ink, P9B,   Centre, N,  38,  Y, N, {}, "INPUT MODE SET"},
    {"Label7",    Label,   "Frame6",  "MENU",           {360,  240,  975,  255},  0xC0C0C0, ink, P9,    Centre, N,  0,   Y, N},
    {"Command23", Button,  "Frame6",  "ON",             {120,  600,  615,  300},  0xC0FFC0, ink, P9B,   Centre, N,  32,  Y, N, {}, "MENU"},
    {"Command24", Button,  "Frame6",  "OFF",            {960,  600,  615,  300},  0xFFC0C0, ink, P9B,   Centre, N,  33,  Y, N, {}, "MENU"},
    {"Label20",   Label,   "Frame10", "LENS SHIFT",     {120,  195,  1455, 300},  0xC0C0C0, ink, P7,    Centre, N,  0,   Y, N},
    {"Command59", Button,  "Frame10", "↑",              {600,  720,  492,  252},  0xFFE0C0, ink, P7,    Centre, N,  74,  Y, N, "Up", "LENS SHIFT"},
    {"Command62", Button,  "Frame10", "↓",              {588,  1320, 492,  252},  0xFFE0C0, ink, P7,    Centre, N,  75,  Y, N, "Down", "LENS SHIFT"},
    {"Image1",    Image,   "Form1",   "",               {8160, 120,  1200, 390},  sys,      sys, Inherit, Left, N,  0,   Y, N, "Projector picture"},
    {"Label4",    Label,   "Frame3",  "SOUND MUTE",     {120,  195,  1455, 300},  0xC0C0C0, ink, P9,    Centre, N,  0,   Y, N},
    {"Command19", Button,  "Frame3",  "ON",             {120,  480,  615,  300},  0xC0FFC0, ink, P9B,   Centre, N,  28,  Y, N, {}, "SOUND MUTE"},
    {"Command20", Button,  "Frame3",  "OFF",            {960,  480,  615,  300},  0xFFC0C0, ink, P9B,   Centre, N,  29,  Y, N, {}, "SOUND MUTE"},
    {"Label5",    Label,   "Frame4",  "NO SHOW",        {360,  210,  1095, 285},  0xC0C0C0, ink, P9,    Centre, N,  0,   Y, N},
    {"Command21", Button,  "Frame4",  "ON",             {120,  480,  615,  300},  0xC0FFC0, ink, P9B,   Centre, N,  30,  Y, N, {}, "NO SHOW"},
    {"Command22", Button,  "Frame4",  "OFF",            {960,  480,  615,  300},  0xFFC0C0, ink, P9B,   Centre, N,  31,  Y, N, {}, "NO SHOW"},
    {"Label8",    Label,   "Frame7",  "FREEZE",         {240,  210,  1215, 285},  0xC0C0C0, ink, P9,    Centre, N,  0,   Y, N},
    {"Command25", Button,  "Frame7",  "ON",             {120,  480,  615,  300},  0xC0FFC0, ink, P9B,   Centre, N,  34,  Y, N, {}, "FREEZE"},
    {"Command26", Button,  "Frame7",  "OFF",            {960,  480,  615,  300},  0xFFC0C0, ink, P9B,   Centre, N,  35,  Y, N, {}, "FREEZE"},
    {"Label6",    Label,   "Frame5",  "AV Size",        {240,  210,  1335, 285},  0xC0C0C0, ink, P9,    Centre, N,  0,   Y, N},
    {"Command31", Button,  "Frame5",  "Regular",        {120,  480,  855,  300},  0xC0FFFF, ink, P9,    Centre, N,  39,  Y, N, {}, "AV Size"},
    {"Command32", Button,  "Frame5",  "Wide",           {1080, 480,  615,  300},  0xC0FFFF, ink, P9,    Centre, N,  40,  Y, N, {}, "AV Size"},
    {"Command5",  Button,  "Form1",   "↑",              {1200, 2520, 855,  375},  0xFFE0C0, ink, P9B,   Centre, N,  17,  Y, N, "Up", "Cursor pad"},
    {"Command9",  Button,  "Form1",   "←",              {240,  3000, 855,  375},  0xFFE0C0, ink, P9B,   Centre, N,  21,  Y, N, "Left", "Cursor pad"},
    {"Command6",  Button,  "Form1",   "SELECT",         {1200, 3000, 855,  375},  0xFF8000, ink, G9,    Centre, N,  18,  Y, N, {}, "Cursor pad"},
    {"Command8",  Button,  "Form1",   "→",              {2160, 3000, 855,  375},  0xFFE0C0, ink, P9B,   Centre, N,  20,  Y, N, "Right", "Cursor pad"},
    {"Command7",  Button,  "Form1",   "↓",              {1200, 3480, 855,  375},  0xFFE0C0, ink, P9B,   Centre, N,  19,  Y, N, "Down", "Cursor pad"},
    {"Label3",    Label,   "Form1",   "VOL",            {3600, 2520, 495,  255},  0xC0C0C0, ink, Inherit, Centre, N, 0,  Y, N},
    {"Command1",  Button,  "Form1",   "+",              {3600, 2880, 375,  255},  0xFFC080, ink, G9B,   Centre, N,  5,   Y, N, {}, "VOL"},
    {"Command2",  Button,  "Form1",   "-",              {3600, 3240, 375,  255},  0xFFC080, ink, G9B,   Centre, N,  6,   Y, N, {}, "VOL"},
    {"Label13",   Label,   "Form1",   "Zoom",           {4440, 2520, 492,  252},  0xC0C0C0, ink, G9,    Left,   N,  0,   Y, N},
    {"Command15", Button,  "Form1",   "+",              {4440, 2880, 375,  255},  0xC0FFFF, ink, G9,    Centre, N,  51,  Y, N, {}, "Zoom"},
    {"Command35", Button,  "Form1",   "-",              {4440, 3240, 375,  255},  0xC0FFFF, ink, G9,    Centre, N,  52,  Y, N, {}, "Zoom"},
    {"Label14",   Label,   "Form1",   "Focus",          {5280, 2520, 615,  255},  0xC0C0C0, ink, G9,    Left,   N,  0,   Y, N},
    {"Command36", Button,  "Form1",   "+",              {5280, 2880, 375,  255},  0xC0FFFF, ink, G9,    Centre, N,  54,  Y, N, {}, "Focus"},
    {"Command37", Button,  "Form1",   "-",              {5280, 3240, 375,  255},  0xC0FFFF, ink, G9,    Centre, N,  55,  Y, N, {}, "Focus"},
    {"Label17",   Label,   "Form1",   "D.Zoom",         {6360, 2520, 735,  255},  0xC0C0C0, ink, G9,    Left,   N,  0,   Y, N},
    {"Command48", Button,  "Form1",   "+",              {6480, 2880, 375,  255},  0xC0FFFF, ink, P9,    Centre, N,  61,  Y, N, {}, "D.Zoom"},
    {"Command49", Button,  "Form1",   "-",              {6480, 3240, 375,  255},  0xC0FFFF, ink, G9,    Centre, N,  62,  Y, N, {}, "D.Zoom"},
    {"Label18",   Label,   "Form1",   "Keystone",       {7320, 2520, 855,  255},  0xC0C0C0, ink, G9,    Left,   N,  0,   Y, N},
    {"Command50", Button,  "Form1",   "+",              {7440, 2880, 375,  255},  0xC0FFFF, ink, G9,    Centre, N,  64,  Y, N, {}, "Keystone"},
    {"Command51", Button,  "Form1",   "-",              {7440, 3240, 375,  255},  0xC0FFFF, ink, G9,    Centre, N,  65,  Y, N, {}, "Keystone"},
    {"Command13", Button,  "Form1",   "A-IMAGE",        {8400, 2760, 975,  250},  0x00C0C0, ink, G9,    Centre, N,  24,  Y, N},
    {"Command30", Button,  "Form1",   "IMAGE",          {8400, 3120, 975,  255},  0xC0C0FF, ink, G9,    Centre, N,  86,  Y, N},
    {"Command14", Button,  "Form1",   "P-TIMER",        {8400, 3360, 975,  250},  0xC0C0FF, ink, G9,    Centre, N,  25,  Y, N},
    {"Command3",  Button,  "Form1",   "DISPLAY CLEAR",  {8400, 3600, 975,  492},  0xC0C0FF, ink, G9,    Centre, N,  16,  Y, N},
    {"Command16", Button,  "Form1",   "END",            {8400, 4320, 975,  375},  0xC0C0C0, ink, G9B,   Centre, N,  26,  Y, N},
    {"Command4",  Button,  "Form1",   "STAND",          {240,  4080, 975,  255},  0xC0FFFF, ink, G9,    Centre, N,  91,  Y, N},
    {"Command10", Button,  "Form1",   "REAL",           {1200, 4080, 975,  255},  0xC0FFFF, ink, G9,    Centre, N,  92,  Y, N},
    {"Command11", Button,  "Form1",   "CINEMA",         {2160, 4080, 975,  255},  0xC0FFFF, ink, G9,    Centre, N,  93,  Y, N},
    {"Command39", Button,  "Form1",   "IMAGE1",         {240,  4320, 975,  255},  0xC0FFFF, ink, G9,    Centre, N,  94,  Y, N},
    {"Command40", Button,  "Form1",   "IMAGE2",         {1200, 4320, 975,  255},  0xC0FFFF, ink, G9,    Centre, N,  95,  Y, N},
    {"Command41", Button,  "Form1",   "IMAGE3",         {2160, 4320, 975,  255},  0xC0FFFF, ink, G9,    Centre, N,  96,  Y, N},
    {"Command42", Button,  "Form1",   "IMAGE4",         {240,  4560, 975,  255},  0xC0FFFF, ink, G9,    Centre, N,  97,  Y, N},
    {"Command33", Button,  "Form1",   "COM",            {4080, 4200, 1815, 375},  sys,      ink, P9,    Centre, N,  41,  Y, N},
    {"Option1",   Option,  "Frame8",  "COM1",           {240,  240,  1215, 255},  0xC0C0C0, ink, P9,    Left,   N,  43,  Y, N, {}, "Port"},
    {"Option2",   Option,  "Frame8",  "COM2",           {1560, 240,  1095, 255},  0xC0C0C0, ink, P9,    Left,   N,  44,  Y, N, {}, "Port"},
    {"Option9",   Option,  "Frame13", "19200",          {120,  240,  1095, 255},  0xC0C0C0, ink, P9,    Left,   N,  89,  Y, Y, {}, "Speed"},
    {"Option10",  Option,  "Frame13", "9600",           {1440, 240,  975,  300},  0xC0C0C0, ink, P9,    Left,   N,  90,  Y, N, {}, "Speed"},
    {"Label19",   Label,   "Form1",   "LAMP SELECT",    {6600, 3720, 1332, 252},  0xC0C0C0, ink, G9,    Left,   N,  0,   Y, N},
    {"Command56", Button,  "Form1",   "2 LAMP",         {6600, 3960, 1200, 372},  0xFFFFC0, ink, G9,    Centre, N,  69,  Y, N, {}, "LAMP SELECT"},
    {"Command57", Button,  "Form1",   "1",              {6600, 4320, 606,  372},  0xFFFFC0, ink, G9,    Centre, N,  70,  Y, N, {}, "LAMP SELECT"},
    {"Command58", Button,  "Form1",   "2",              {7200, 4320, 606,  372},  0xFFFFC0, ink, G9,    Centre, N,  71,  Y, N, {}, "LAMP SELECT"},

    // Lower area: in view from the data view down.
    {"Label9",    Label,   "Frame9",  "TXD",            {105,  210,  390,  285},  0xC0C0C0, ink, G9,    Right,  N,  0,   Y, N},
    {"Label11",   Label,   "Frame9",  "",               {600,  180,  5610, 300},  0xFFFFFF, ink, P10B,  Left,   Y,  0,   Y, N, {}, "TXD"},
    {"Label10",   Label,   "Frame9",  "RXD",            {75,   555,  450,  300},  0xC0C0C0, ink, G9,    Right,  N,  0,   Y, N},
    {"Label12",   Label,   "Frame9",  "",               {600,  540,  5616, 300},  0xFFFFFF, ink, P10B,  Left,   Y,  0,   Y, N, {}, "RXD"},
    {"Label23",   Label,   "Frame9",  "STATUS",         {120,  960,  735,  225},  0xC0C0C0, ink, G8,    Left,   N,  0,   Y, N},
    {"Label22",   Label,   "Frame9",  "",               {930,  915,  5295, 300},  0xFFFFFF, 0xFF0000, P9B, Left, Y,  0,   Y, N, {}, "STATUS"},
    {"Command34", Button,  "Form1",   "データを表示する", {6600, 5040, 1200, 375}, 0xC0C0C0, ink, P9,   Centre, N,  50,  N, N},
    {"Command52", Button,  "Form1",   "P-FAIL",         {8400, 5160, 975,  255},  0xFFE0C0, ink, G9B,   Centre, N,  98,  Y, N},
    {"Command44", Button,  "Form1",   "STATUS",         {6480, 5640, 975,  255},  0xC0FFFF, ink, G8B,   Centre, N,  57,  Y, N},
    {"Command46", Button,  "Form1",   "L-TIME",         {7440, 5640, 975,  255},  0xC0FFFF, ink, G8B,   Centre, N,  59,  Y, N},
    {"Command54", Button,  "Form1",   "TEMP",           {8400, 5640, 975,  252},  0xC0FFFF, ink, G8B,   Centre, N,  67,  Y, N},
    {"Command45", Button,  "Form1",   "MODE",           {6480, 5880, 975,  255},  0xC0FFFF, ink, G8B,   Centre, N,  58,  Y, N},
    {"Command47", Button,  "Form1",   "SETTING",        {7440, 5880, 975,  255},  0xC0FFFF, ink, G8B,   Centre, N,  60,  Y, N},
    {"Command55", Button,  "Form1",   "L-MODE",         {8400, 5880, 975,  252},  0xC0FFFF, ink, G8B,   Centre, N,  68,  Y, N},
    {"Command38", Button,  "Form1",   "PC type",        {7080, 6240, 1095, 255},  0xC0FFFF, ink, G8B,   Centre, N,  87,  Y, N},
    {"Command12", Button,  "Form1",   "SETTING 2",      {8160, 6240, 1215, 252},  0xC0FFFF, ink, G8B,   Centre, N,  85,  Y, N},
    {"Command99", Button,  "Form1",   "PRESSURE",       {8160, 7800, 1215, 255},  0xFFE0C0, ink, G9B,   Centre, N,  136, Y, N},
    {"Label21",   Label,   "Frame11", "PJ Select",      {60,   150,  1050, 255},  0xC0C0C0, ink, G8,    Left,   N,  0,   Y, N},
    {"Option3",   Option,  "Frame11", "SINGLE",         {1155, 168,  1095, 225},  0xC0C0C0, ink, G8,    Left,   N,  79,  Y, Y, {}, "PJ Select"},
    {"Option4",   Option,  "Frame11", "ALL",            {2280, 165,  855,  225},  0xC0C0C0, ink, G8,    Left,   N,  80,  Y, N, {}, "PJ Select"},
    {"Option5",   Option,  "Frame11", "001",            {3240, 180,  735,  225},  0xC0C0C0, ink, G8,    Left,   N,  81,  Y, N, {}, "PJ Select"},
    {"Option6",   Option,  "Frame11", "002",            {4080, 180,  735,  225},  0xC0C0C0, ink, G8,    Left,   N,  82,  Y, N, {}, "PJ Select"},
    {"Option7",   Option,  "Frame11", "003",            {4920, 180,  795,  225},  0xC0C0C0, ink, G8,    Left,   N,  83,  Y, N, {}, "PJ Select"},
    {"Option8",   Option,  "Frame11", "004",            {5880, 180,  795,  225},  0xC0C0C0, ink, G8,    Left,   N,  84,  Y, N, {}, "PJ Select"},
    {"Label27",   Label,   "Frame16", "FAN SPEED",      {345,  285,  1215, 255},  0xC0C0C0, ink, G9B,   Left,   N,  0,   Y, N},
    {"Command97", Button,  "Frame16", "MAX",            {120,  600,  855,  255},  0xC0FFC0, ink, G9B,   Centre, N,  134, Y, N, {}, "FAN SPEED"},
    {"Command98", Button,  "Frame16", "NOR",            {960,  600,  855,  255},  0xC0FFC0, ink, G9B,   Centre, N,  135, Y, N, {}, "FAN SPEED"},
    {"Label26",   Label,   "Frame15", "CMD",            {120,  240,  495,  255},  0xC0C0C0, ink, G10,   Left,   N,  0,   Y, N},
    {"Text1",     TextBox, "Frame15", "",               {600,  165,  5055, 345},  sys,      sys, G10B,  Left,   Y,  128, Y, N, "Command text", "CMD"},
    {"Command95", Button,  "Frame15", "SEND",           {5760, 240,  735,  255},  0xC0FFC0, ink, G9B,   Centre, N,  129, Y, N, {}, "CMD"},
    {"Command96", Button,  "Frame15", "CLS",            {6480, 240,  615,  255},  0xFFC0C0, ink, G9B,   Centre, N,  130, Y, N, {}, "CMD"},
});

// The input signal matrix in Frame14: one row per input, the same signal types in the same columns.
struct MatrixRow {
    std::string_view label;
    std::string_view input;
    int top;
    std::array<std::string_view, 8> buttons;
    int firstTab;
    std::string_view description;
};
inline constexpr auto kMatrixRows = std::to_array<MatrixRow>({
    {"Label15", "1", 240, {"Command63", "Command64", "Command65", "Command66", "Command67", "Command68", "Command69", "Command70"}, 100, "Input 1"},
    {"Label16", "2", 480, {"Command71", "Command72", "Command73", "Command74", "Command75", "Command76", "Command77", "Command78"}, 108, "Input 2"},
    {"Label24", "3", 720, {"Command79", "Command80", "Command81", "Command82", "Command83", "Command84", "Command85", "Command86"}, 116, "Input 3"},
});

struct MatrixColumn {
    std::string_view caption;
    int left;
    int width;
};
inline constexpr auto kMatrixColumns = std::to_array<MatrixColumn>({
    {"DVI",     360,  735},
    {"RGB",     1080, 735},
    {"VIDEO",   1800, 975},
    {"YPbPr",   2760, 975},
    {"YCbCr",   3720, 975},
    {"S-VIDEO", 4680, 975},
    {"YC",      5640, 735},
    {"SDI",     6360, 735},
});

inline constexpr auto kLines = std::to_array<LineSpec>({
    {"Line1",  1080, 2400, 1080, 2880},
    {"Line2",  2160, 2400, 2160, 2880},
    {"Line3",  3120, 2880, 3120, 3480},
    {"Line4",  2160, 3480, 2160, 3960},
    {"Line5",  1080, 3480, 1080, 3960},
    {"Line6",  120,  2880, 120,  3480},
    {"Line7",  1080, 2400, 2160, 2400},
    {"Line8",  120,  2880, 1080, 2880},
    {"Line9",  2160, 2880, 3120, 2880},
    {"Line10", 120,  3480, 1080, 3480},
    {"Line11", 1080, 3960, 2160, 3960},
    {"Line12", 2160, 3480, 3120, 3480},
});

inline constexpr auto kFonts = std::to_array<FontSpec>({
    {G9B,  "ＭＳ ゴシック",   true,  9,    true},
    {G9,   "ＭＳ ゴシック",   true,  9,    false},
    {G8B,  "ＭＳ ゴシック",   true,  8.25, true},
    {G8,   "ＭＳ ゴシック",   true,  8.25, false},
    {G10B, "ＭＳ ゴシック",   true,  9.75, true},
    {G10,  "ＭＳ ゴシック",   true,  9.75, false},
    {P9,   "ＭＳ Ｐゴシック", false, 9,    false},
    {P9B,  "ＭＳ Ｐゴシック", false, 9,    true},
    {P10B, "ＭＳ Ｐゴシック", false, 9.75, true},
    {P7,   "ＭＳ Ｐゴシック", false, 7.5,  false},
});
// clang-format on

// The matrix rows follow the fixed rows; Frame14 is among those.
inline constexpr auto kControls = [] {
    constexpr std::size_t matrixSize = kMatrixRows.size() * (1 + kMatrixColumns.size());
    std::array<ControlSpec, kFixed.size() + matrixSize> all{};
    std::size_t n = 0;
    for (const ControlSpec& c : kFixed)
        all[n++] = c;
    // clang-format off
    for (const MatrixRow& row : kMatrixRows) {
        all[n++] = {row.label, Label, "Frame14", row.input, {120, row.top, 255, 255}, 0xC0C0C0, ink, G9B, Left, N, 0, Y, N};
        for (std::size_t col = 0; col < kMatrixColumns.size(); ++col) {
            const MatrixColumn& column = kMatrixColumns[col];
            all[n++] = {row.buttons[col], Button, "Frame14", column.caption, {column.left, row.top, column.width, 255},
                        0xC0FFFF, ink, G9, Centre, N, row.firstTab + static_cast<int>(col), Y, N, {}, row.description};
        }
    }
    // clang-format on
    return all;
}();

// The row of a control, -1 when there is none. An index rather than a pointer: GCC's constant evaluation
// refuses the null-pointer checks that its sanitizers add to a search that returns a pointer.
constexpr int rowOf(std::string_view name) {
    for (std::size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].name == name) return static_cast<int>(i);
    return -1;
}

} // namespace layout

constexpr std::span<const ControlSpec> panelLayout() {
    return layout::kControls;
}
constexpr const ControlSpec* findControl(std::string_view name) {
    const int row = layout::rowOf(name);
    return row < 0 ? nullptr : &layout::kControls[static_cast<std::size_t>(row)];
}
constexpr std::span<const LineSpec> cursorPadOutline() {
    return layout::kLines;
}
const FontSpec& fontSpec(FontKey key);

} // namespace q7
