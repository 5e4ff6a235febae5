// SPDX-License-Identifier: MIT
#pragma once
// The panel as designed, written out once: every control of the window with its place, colour, font and tab
// position, and for each one-shot button the frame a click puts on the wire (projector SINGLE) with the reply
// window and clearing that govern it; every held button with its held code, frame and timing. Tests run
// these rows through the form and the window; nothing here is read from the code under test.

#include <cstdint>

namespace q7::design {

enum Font { G9B, G9, G8B, G8, G10B, G10, P9, P9B, P10B, P7 };
// The toolkit's own colour for that kind of control.
inline constexpr std::uint32_t kSystem = 0xFFFFFFFF;

// Its container is "Form1" or the frame that holds it; geometry in twips within the container; the font,
// where the design names none, the one inherited; tab 0 takes no focus. The reply window and clearing are the
// ms after a click from start-up to " X X X X" and to the lines emptied.
struct Control {
    const char *name, *in, *caption;
    int left, top, width, height;
    std::uint32_t back;
    Font font;
    int tab;
    const char* wire = nullptr;
    int window = 0, clearing = 0;
    const char* script = nullptr; // the name a script gives it (q7ctl); none for the nine decoded queries
};

// clang-format off
inline constexpr Control kControls[] = {
    {"Frame1",    "Form1",   "",                 120,  240,  1695, 975,  0xC0C0C0, P9,      0},
    {"Frame2",    "Form1",   "",                 2520, 240,  2415, 975,  0xC0C0C0, P9,      0},
    {"Frame6",    "Form1",   "",                 5640, 240,  1695, 975,  0xC0C0C0, P9,      0},
    {"Frame3",    "Form1",   "",                 120,  1440, 1695, 855,  0xC0C0C0, P9,      0},
    {"Frame4",    "Form1",   "",                 1920, 1440, 1695, 855,  0xC0C0C0, P9,      0},
    {"Frame7",    "Form1",   "",                 3720, 1440, 1695, 855,  0xC0C0C0, P9,      0},
    {"Frame5",    "Form1",   "",                 5520, 1440, 1815, 855,  0xC0C0C0, P9,      0},
    {"Frame10",   "Form1",   "",                 7680, 600,  1692, 1695, 0xC0C0C0, P7,      0},
    {"Frame8",    "Form1",   "",                 3480, 3600, 2775, 1185, 0xC0C0C0, P9,      0},
    {"Frame13",   "Frame8",  "",                 120,  480,  2535, 615,  0xC0C0C0, P9,      0},
    {"Frame9",    "Form1",   "",                 45,   4920, 6312, 1290, 0xC0C0C0, P9,      0},
    {"Frame11",   "Form1",   "",                 75,   6225, 6765, 465,  0xC0C0C0, P7,      0},
    {"Frame14",   "Form1",   "",                 120,  6735, 7215, 1080, 0xC0C0C0, G9B,     0},
    {"Frame16",   "Form1",   "",                 7440, 6750, 1935, 945,  0xC0C0C0, G9B,     0},
    {"Frame15",   "Form1",   "",                 120,  8040, 7215, 570,  0xC0C0C0, G9B,     0},
    {"Label1",    "Frame1",  "POWER",            240,  240,  1095, 255,  0xC0C0C0, P9,      0},
    {"Command17", "Frame1",  "ON",               120,  600,  615,  300,  0xC0FFC0, P9B,     1,    "C00\r", 500, 1000, "power on"},
    {"Command18", "Frame1",  "OFF",              960,  600,  615,  300,  0xFFC0C0, P9B,     27,   "C01\r", 500, 1000, "power off"},
    {"Label2",    "Frame2",  "INPUT MODE SET",   240,  240,  1935, 255,  0xC0C0C0, P9,      0},
    {"Command27", "Frame2",  "1",                240,  600,  495,  300,  0xC0FFFF, P9B,     36,   "C05\r", 500, 1000, "input mode set 1"},
    {"Command28", "Frame2",  "2",                960,  600,  495,  300,  0xC0FFFF, P9B,     37,   "C06\r", 500, 1000, "input mode set 2"},
    {"Command29", "Frame2",  "3",                1680, 600,  495,  300,  0xC0FFFF, P9B,     38,   "C07\r", 500, 1000, "input mode set 3"},
    {"Label7",    "Frame6",  "MENU",             360,  240,  975,  255,  0xC0C0C0, P9,      0},
    {"Command23", "Frame6",  "ON",               120,  600,  615,  300,  0xC0FFC0, P9B,     32,   "C1C\r", 500, 1000, "menu on"},
    {"Command24", "Frame6",  "OFF",              960,  600,  615,  300,  0xFFC0C0, P9B,     33,   "C1D\r", 500, 1000, "menu off"},
    {"Label20",   "Frame10", "LENS SHIFT",       120,  195,  1455, 300,  0xC0C0C0, P7,      0},
    {"Command59", "Frame10", "↑",                600,  720,  492,  252,  0xFFE0C0, P7,      74},
    {"Command62", "Frame10", "↓",                588,  1320, 492,  252,  0xFFE0C0, P7,      75},
    {"Image1",    "Form1",   "",                 8160, 120,  1200, 390,  kSystem,  G9B,     0},
    {"Label4",    "Frame3",  "SOUND MUTE",       120,  195,  1455, 300,  0xC0C0C0, P9,      0},
    {"Command19", "Frame3",  "ON",               120,  480,  615,  300,  0xC0FFC0, P9B,     28,   "C0B\r", 500, 1000, "sound mute on"},
    {"Command20", "Frame3",  "OFF",              960,  480,  615,  300,  0xFFC0C0, P9B,     29,   "C0C\r", 500, 1000, "sound mute off"},
    {"Label5",    "Frame4",  "NO SHOW",          360,  210,  1095, 285,  0xC0C0C0, P9,      0},
    {"Command21", "Frame4",  "ON",               120,  480,  615,  300,  0xC0FFC0, P9B,     30,   "C0D\r", 500, 1000, "no show on"},
    {"Command22", "Frame4",  "OFF",              960,  480,  615,  300,  0xFFC0C0, P9B,     31,   "C0E\r", 500, 1000, "no show off"},
    {"Label8",    "Frame7",  "FREEZE",           240,  210,  1215, 285,  0xC0C0C0, P9,      0},
    {"Command25", "Frame7",  "ON",               120,  480,  615,  300,  0xC0FFC0, P9B,     34,   "C43\r", 500, 1000, "freeze on"},
    {"Command26", "Frame7",  "OFF",              960,  480,  615,  300,  0xFFC0C0, P9B,     35,   "C44\r", 500, 1000, "freeze off"},
    {"Label6",    "Frame5",  "AV Size",          240,  210,  1335, 285,  0xC0C0C0, P9,      0},
    {"Command31", "Frame5",  "Regular",          120,  480,  855,  300,  0xC0FFFF, P9,      39,   "C0F\r", 500, 1000, "av size regular"},
    {"Command32", "Frame5",  "Wide",             1080, 480,  615,  300,  0xC0FFFF, P9,      40,   "C10\r", 500, 1000, "av size wide"},
    {"Command5",  "Form1",   "↑",                1200, 2520, 855,  375,  0xFFE0C0, P9B,     17},
    {"Command9",  "Form1",   "←",                240,  3000, 855,  375,  0xFFE0C0, P9B,     21},
    {"Command6",  "Form1",   "SELECT",           1200, 3000, 855,  375,  0xFF8000, G9,      18},
    {"Command8",  "Form1",   "→",                2160, 3000, 855,  375,  0xFFE0C0, P9B,     20},
    {"Command7",  "Form1",   "↓",                1200, 3480, 855,  375,  0xFFE0C0, P9B,     19},
    {"Label3",    "Form1",   "VOL",              3600, 2520, 495,  255,  0xC0C0C0, G9B,     0},
    {"Command1",  "Form1",   "+",                3600, 2880, 375,  255,  0xFFC080, G9B,     5},
    {"Command2",  "Form1",   "-",                3600, 3240, 375,  255,  0xFFC080, G9B,     6},
    {"Label13",   "Form1",   "Zoom",             4440, 2520, 492,  252,  0xC0C0C0, G9,      0},
    {"Command15", "Form1",   "+",                4440, 2880, 375,  255,  0xC0FFFF, G9,      51},
    {"Command35", "Form1",   "-",                4440, 3240, 375,  255,  0xC0FFFF, G9,      52},
    {"Label14",   "Form1",   "Focus",            5280, 2520, 615,  255,  0xC0C0C0, G9,      0},
    {"Command36", "Form1",   "+",                5280, 2880, 375,  255,  0xC0FFFF, G9,      54},
    {"Command37", "Form1",   "-",                5280, 3240, 375,  255,  0xC0FFFF, G9,      55},
    {"Label17",   "Form1",   "D.Zoom",           6360, 2520, 735,  255,  0xC0C0C0, G9,      0},
    {"Command48", "Form1",   "+",                6480, 2880, 375,  255,  0xC0FFFF, P9,      61},
    {"Command49", "Form1",   "-",                6480, 3240, 375,  255,  0xC0FFFF, G9,      62},
    {"Label18",   "Form1",   "Keystone",         7320, 2520, 855,  255,  0xC0C0C0, G9,      0},
    {"Command50", "Form1",   "+",                7440, 2880, 375,  255,  0xC0FFFF, G9,      64},
    {"Command51", "Form1",   "-",                7440, 3240, 375,  255,  0xC0FFFF, G9,      65},
    {"Command13", "Form1",   "A-IMAGE",          8400, 2760, 975,  250,  0x00C0C0, G9,      24,   "C89\r", 500, 1000, "a-image"},
    {"Command30", "Form1",   "IMAGE",            8400, 3120, 975,  255,  0xC0C0FF, G9,      86,   "C27\r", 500, 1000, "image"},
    {"Command14", "Form1",   "P-TIMER",          8400, 3360, 975,  250,  0xC0C0FF, G9,      25,   "C8A\r", 500, 1000, "p-timer"},
    {"Command3",  "Form1",   "DISPLAY CLEAR",    8400, 3600, 975,  492,  0xC0C0FF, G9,      16,   "C1E\r", 500, 1000, "display clear"},
    {"Command16", "Form1",   "END",              8400, 4320, 975,  375,  0xC0C0C0, G9B,     26},
    {"Command4",  "Form1",   "STAND",            240,  4080, 975,  255,  0xC0FFFF, G9,      91,   "CF IMAGE STAND\r", 2000, 2500, "stand"},
    {"Command10", "Form1",   "REAL",             1200, 4080, 975,  255,  0xC0FFFF, G9,      92,   "CF IMAGE REAL\r", 2000, 2500, "real"},
    {"Command11", "Form1",   "CINEMA",           2160, 4080, 975,  255,  0xC0FFFF, G9,      93,   "CF IMAGE CINEMA\r", 2000, 2500, "cinema"},
    {"Command39", "Form1",   "IMAGE1",           240,  4320, 975,  255,  0xC0FFFF, G9,      94,   "CF IMAGE IMAGE1\r", 2000, 2500, "image1"},
    {"Command40", "Form1",   "IMAGE2",           1200, 4320, 975,  255,  0xC0FFFF, G9,      95,   "CF IMAGE IMAGE2\r", 2000, 2500, "image2"},
    {"Command41", "Form1",   "IMAGE3",           2160, 4320, 975,  255,  0xC0FFFF, G9,      96,   "CF IMAGE IMAGE3\r", 2000, 2500, "image3"},
    {"Command42", "Form1",   "IMAGE4",           240,  4560, 975,  255,  0xC0FFFF, G9,      97,   "CF IMAGE IMAGE4\r", 2000, 2500, "image4"},
    {"Command33", "Form1",   "COM",              4080, 4200, 1815, 375,  kSystem,  P9,      41},
    {"Option1",   "Frame8",  "COM1",             240,  240,  1215, 255,  0xC0C0C0, P9,      43},
    {"Option2",   "Frame8",  "COM2",             1560, 240,  1095, 255,  0xC0C0C0, P9,      44},
    {"Option9",   "Frame13", "19200",            120,  240,  1095, 255,  0xC0C0C0, P9,      89},
    {"Option10",  "Frame13", "9600",             1440, 240,  975,  300,  0xC0C0C0, P9,      90},
    {"Label19",   "Form1",   "LAMP SELECT",      6600, 3720, 1332, 252,  0xC0C0C0, G9,      0},
    {"Command56", "Form1",   "2 LAMP",           6600, 3960, 1200, 372,  0xFFFFC0, G9,      69,   "C70\r", 500, 1000, "lamp select 2 lamp"},
    {"Command57", "Form1",   "1",                6600, 4320, 606,  372,  0xFFFFC0, G9,      70,   "C71\r", 500, 1000, "lamp select 1"},
    {"Command58", "Form1",   "2",                7200, 4320, 606,  372,  0xFFFFC0, G9,      71,   "C72\r", 500, 1000, "lamp select 2"},
    {"Label9",    "Frame9",  "TXD",              105,  210,  390,  285,  0xC0C0C0, G9,      0},
    {"Label11",   "Frame9",  "",                 600,  180,  5610, 300,  0xFFFFFF, P10B,    0},
    {"Label10",   "Frame9",  "RXD",              75,   555,  450,  300,  0xC0C0C0, G9,      0},
    {"Label12",   "Frame9",  "",                 600,  540,  5616, 300,  0xFFFFFF, P10B,    0},
    {"Label23",   "Frame9",  "STATUS",           120,  960,  735,  225,  0xC0C0C0, G8,      0},
    {"Label22",   "Frame9",  "",                 930,  915,  5295, 300,  0xFFFFFF, P9B,     0},
    {"Command34", "Form1",   "データを表示する", 6600, 5040, 1200, 375,  0xC0C0C0, P9,      50},
    {"Command52", "Form1",   "P-FAIL",           8400, 5160, 975,  255,  0xFFE0C0, G9B,     98,   "CR INFPFAIL\r", 2000, 2500, "p-fail"},
    {"Command44", "Form1",   "STATUS",           6480, 5640, 975,  255,  0xC0FFFF, G8B,     57,   "CR0\r", 500, 1000},
    {"Command46", "Form1",   "L-TIME",           7440, 5640, 975,  255,  0xC0FFFF, G8B,     59,   "CR3\r", 500, 1000},
    {"Command54", "Form1",   "TEMP",             8400, 5640, 975,  252,  0xC0FFFF, G8B,     67,   "CR6\r", 500, 1000},
    {"Command45", "Form1",   "MODE",             6480, 5880, 975,  255,  0xC0FFFF, G8B,     58,   "CR1\r", 500, 1000},
    {"Command47", "Form1",   "SETTING",          7440, 5880, 975,  255,  0xC0FFFF, G8B,     60,   "CR4\r", 500, 1000},
    {"Command55", "Form1",   "L-MODE",           8400, 5880, 975,  252,  0xC0FFFF, G8B,     68,   "CR7\r", 500, 1000},
    {"Command38", "Form1",   "PC type",          7080, 6240, 1095, 255,  0xC0FFFF, G8B,     87,   "CR9\r", 500, 1000},
    {"Command12", "Form1",   "SETTING 2",        8160, 6240, 1215, 252,  0xC0FFFF, G8B,     85,   "CRA\r", 500, 1000},
    {"Command99", "Form1",   "PRESSURE",         8160, 7800, 1215, 255,  0xFFE0C0, G9B,     136,  "CR PRESSURE\r", 500, 1000},
    {"Label21",   "Frame11", "PJ Select",        60,   150,  1050, 255,  0xC0C0C0, G8,      0},
    {"Option3",   "Frame11", "SINGLE",           1155, 168,  1095, 225,  0xC0C0C0, G8,      79},
    {"Option4",   "Frame11", "ALL",              2280, 165,  855,  225,  0xC0C0C0, G8,      80},
    {"Option5",   "Frame11", "001",              3240, 180,  735,  225,  0xC0C0C0, G8,      81},
    {"Option6",   "Frame11", "002",              4080, 180,  735,  225,  0xC0C0C0, G8,      82},
    {"Option7",   "Frame11", "003",              4920, 180,  795,  225,  0xC0C0C0, G8,      83},
    {"Option8",   "Frame11", "004",              5880, 180,  795,  225,  0xC0C0C0, G8,      84},
    {"Label27",   "Frame16", "FAN SPEED",        345,  285,  1215, 255,  0xC0C0C0, G9B,     0},
    {"Command97", "Frame16", "MAX",              120,  600,  855,  255,  0xC0FFC0, G9B,     134,  "CF FANSPEED MAX\r", 500, 1000, "fan speed max"},
    {"Command98", "Frame16", "NOR",              960,  600,  855,  255,  0xC0FFC0, G9B,     135,  "CF FANSPEED NOR\r", 500, 1000, "fan speed nor"},
    {"Label26",   "Frame15", "CMD",              120,  240,  495,  255,  0xC0C0C0, G10,     0},
    {"Text1",     "Frame15", "",                 600,  165,  5055, 345,  kSystem,  G10B,    128},
    {"Command95", "Frame15", "SEND",             5760, 240,  735,  255,  0xC0FFC0, G9B,     129},
    {"Command96", "Frame15", "CLS",              6480, 240,  615,  255,  0xFFC0C0, G9B,     130},
    {"Label15",   "Frame14", "1",                120,  240,  255,  255,  0xC0C0C0, G9B,     0},
    {"Command63", "Frame14", "DVI",              360,  240,  735,  255,  0xC0FFFF, G9,      100,  "CF INPUT1 DIGITAL\r", 5000, 5500, "input 1 dvi"},
    {"Command64", "Frame14", "RGB",              1080, 240,  735,  255,  0xC0FFFF, G9,      101,  "CF INPUT1 ANALOG\r", 5000, 5500, "input 1 rgb"},
    {"Command65", "Frame14", "VIDEO",            1800, 240,  975,  255,  0xC0FFFF, G9,      102,  "CF INPUT1 VIDEO\r", 5000, 5500, "input 1 video"},
    {"Command66", "Frame14", "YPbPr",            2760, 240,  975,  255,  0xC0FFFF, G9,      103,  "CF INPUT1 YPBPR\r", 5000, 5500, "input 1 ypbpr"},
    {"Command67", "Frame14", "YCbCr",            3720, 240,  975,  255,  0xC0FFFF, G9,      104,  "CF INPUT1 YCBCR\r", 5000, 5500, "input 1 ycbcr"},
    {"Command68", "Frame14", "S-VIDEO",          4680, 240,  975,  255,  0xC0FFFF, G9,      105,  "CF INPUT1 S-VIDEO\r", 5000, 5500, "input 1 s-video"},
    {"Command69", "Frame14", "YC",               5640, 240,  735,  255,  0xC0FFFF, G9,      106,  "CF INPUT1 YC\r", 5000, 5500, "input 1 yc"},
    {"Command70", "Frame14", "SDI",              6360, 240,  735,  255,  0xC0FFFF, G9,      107,  "CF INPUT1 HD-SDI\r", 5000, 5500, "input 1 sdi"},
    {"Label16",   "Frame14", "2",                120,  480,  255,  255,  0xC0C0C0, G9B,     0},
    {"Command71", "Frame14", "DVI",              360,  480,  735,  255,  0xC0FFFF, G9,      108,  "CF INPUT2 DIGITAL\r", 5000, 5500, "input 2 dvi"},
    {"Command72", "Frame14", "RGB",              1080, 480,  735,  255,  0xC0FFFF, G9,      109,  "CF INPUT2 ANALOG\r", 5000, 5500, "input 2 rgb"},
    {"Command73", "Frame14", "VIDEO",            1800, 480,  975,  255,  0xC0FFFF, G9,      110,  "CF INPUT2 VIDEO\r", 5000, 5500, "input 2 video"},
    {"Command74", "Frame14", "YPbPr",            2760, 480,  975,  255,  0xC0FFFF, G9,      111,  "CF INPUT2 YPBPR\r", 5000, 5500, "input 2 ypbpr"},
    {"Command75", "Frame14", "YCbCr",            3720, 480,  975,  255,  0xC0FFFF, G9,      112,  "CF INPUT2 YCBCR\r", 5000, 5500, "input 2 ycbcr"},
    {"Command76", "Frame14", "S-VIDEO",          4680, 480,  975,  255,  0xC0FFFF, G9,      113,  "CF INPUT2 S-VIDEO\r", 5000, 5500, "input 2 s-video"},
    {"Command77", "Frame14", "YC",               5640, 480,  735,  255,  0xC0FFFF, G9,      114,  "CF INPUT2 YC\r", 5000, 5500, "input 2 yc"},
    {"Command78", "Frame14", "SDI",              6360, 480,  735,  255,  0xC0FFFF, G9,      115,  "CF INPUT2 HD-SDI\r", 5000, 5500, "input 2 sdi"},
    {"Label24",   "Frame14", "3",                120,  720,  255,  255,  0xC0C0C0, G9B,     0},
    {"Command79", "Frame14", "DVI",              360,  720,  735,  255,  0xC0FFFF, G9,      116,  "CF INPUT3 DIGITAL\r", 5000, 5500, "input 3 dvi"},
    {"Command80", "Frame14", "RGB",              1080, 720,  735,  255,  0xC0FFFF, G9,      117,  "CF INPUT3 ANALOG\r", 5000, 5500, "input 3 rgb"},
    {"Command81", "Frame14", "VIDEO",            1800, 720,  975,  255,  0xC0FFFF, G9,      118,  "CF INPUT3 VIDEO\r", 5000, 5500, "input 3 video"},
    {"Command82", "Frame14", "YPbPr",            2760, 720,  975,  255,  0xC0FFFF, G9,      119,  "CF INPUT3 YPBPR\r", 5000, 5500, "input 3 ypbpr"},
    {"Command83", "Frame14", "YCbCr",            3720, 720,  975,  255,  0xC0FFFF, G9,      120,  "CF INPUT3 YCBCR\r", 5000, 5500, "input 3 ycbcr"},
    {"Command84", "Frame14", "S-VIDEO",          4680, 720,  975,  255,  0xC0FFFF, G9,      121,  "CF INPUT3 S-VIDEO\r", 5000, 5500, "input 3 s-video"},
    {"Command85", "Frame14", "YC",               5640, 720,  735,  255,  0xC0FFFF, G9,      122,  "CF INPUT3 YC\r", 5000, 5500, "input 3 yc"},
    {"Command86", "Frame14", "SDI",              6360, 720,  735,  255,  0xC0FFFF, G9,      123,  "CF INPUT3 HD-SDI\r", 5000, 5500, "input 3 sdi"},
};

// Held buttons, pressed after MENU "ON" (the arrows then repeat every 200 ms with 150 and 190 ms windows).
// The last two columns: the period and reply window of a cursor-pad arrow pressed after this hold.
struct Held {
    const char* name;
    int code;
    const char* wire;
    int period, window, clearing, nextPeriod, nextWindow;
    const char* script;
};

inline constexpr Held kHeld[] = {
    {"Command1",  1,  "C09\r", 250, 200, 245, 250, 150, "vol +"},
    {"Command2",  2,  "C0A\r", 250, 200, 245, 250, 150, "vol -"},
    {"Command15", 7,  "C47\r", 50,  25,  25,  50,  150, "zoom +"},
    {"Command35", 8,  "C46\r", 50,  25,  25,  50,  150, "zoom -"},
    {"Command36", 9,  "C4B\r", 50,  25,  25,  50,  150, "focus +"},
    {"Command37", 10, "C4A\r", 50,  25,  25,  50,  150, "focus -"},
    {"Command48", 17, "C30\r", 250, 200, 245, 5,   5, "d.zoom +"},
    {"Command49", 18, "C31\r", 250, 200, 245, 5,   5, "d.zoom -"},
    {"Command50", 19, "C8E\r", 250, 200, 245, 250, 150, "keystone +"},
    {"Command51", 20, "C8F\r", 250, 200, 245, 250, 150, "keystone -"},
    {"Command59", 21, "C5D\r", 50,  25,  25,  50,  150, "lens shift up"},
    {"Command62", 22, "C5E\r", 50,  25,  25,  50,  150, "lens shift down"},
    {"Command5",  3,  "C3C\r", 200, 150, 190, 200, 150, "cursor up"},
    {"Command7",  4,  "C3D\r", 200, 150, 190, 200, 150, "cursor down"},
    {"Command9",  5,  "C3B\r", 200, 150, 190, 200, 150, "cursor left"},
    {"Command8",  6,  "C3A\r", 200, 150, 190, 200, 150, "cursor right"},
    {"Command6",  13, "C3F\r", 500, 200, 245, 500, 150, "select"},
};
// clang-format on

} // namespace q7::design
