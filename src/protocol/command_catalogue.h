// SPDX-License-Identifier: MIT
#pragma once
// The one-shot buttons: what each sends and what it does around the transmission.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace q7 {

enum class SendClass {
    Plain,    // nothing around the transmission
    Wait2s,   // before: Timer2 2000 ms, then Timer4 2500 ms
    Wait5s,   // before: Timer2 5000 ms, then Timer4 5500 ms
    PadSetup, // after: Timer1 200 ms, then CursorPadMode 1
};

struct CatalogueEntry {
    std::string_view control;
    // The button's name where a script names it (q7ctl): lower case, unique among all buttons; none for the
    // decoded status queries, which q7ctl reads by their keys.
    std::string_view name;
    std::string_view caption;
    std::string_view group;
    std::string_view command;
    SendClass sendClass;
};

namespace catalogue {

using enum SendClass;

inline constexpr std::string_view kInputSignals = "Input signal types";

// clang-format off
inline constexpr std::array kCatalogue = std::to_array<CatalogueEntry>({
    {"Command17", "power on",            "ON",            "POWER",             "C00",                Plain},
    {"Command18", "power off",           "OFF",           "POWER",             "C01",                Plain},
    {"Command27", "input mode set 1",    "1",             "INPUT MODE SET",    "C05",                Plain},
    {"Command28", "input mode set 2",    "2",             "INPUT MODE SET",    "C06",                Plain},
    {"Command29", "input mode set 3",    "3",             "INPUT MODE SET",    "C07",                Plain},
    {"Command23", "menu on",             "ON",            "MENU",              "C1C",                PadSetup},
    {"Command24", "menu off",            "OFF",           "MENU",              "C1D",                Plain},
    {"Command19", "sound mute on",       "ON",            "SOUND MUTE",        "C0B",                Plain},
    {"Command20", "sound mute off",      "OFF",           "SOUND MUTE",        "C0C",                Plain},
    {"Command21", "no show on",          "ON",            "NO SHOW",           "C0D",                Plain},
    {"Command22", "no show off",         "OFF",           "NO SHOW",           "C0E",                Plain},
    {"Command25", "freeze on",           "ON",            "FREEZE",            "C43",                Plain},
    {"Command26", "freeze off",          "OFF",           "FREEZE",            "C44",                Plain},
    {"Command31", "av size regular",     "Regular",       "AV Size",           "C0F",                Plain},
    {"Command32", "av size wide",        "Wide",          "AV Size",           "C10",                Plain},
    {"Command13", "a-image",             "A-IMAGE",       "Right-hand column", "C89",                PadSetup},
    {"Command30", "image",               "IMAGE",         "Right-hand column", "C27",                Plain},
    {"Command14", "p-timer",             "P-TIMER",       "Right-hand column", "C8A",                Plain},
    {"Command3",  "display clear",       "DISPLAY CLEAR", "Right-hand column", "C1E",                Plain},
    {"Command4",  "stand",               "STAND",         "Picture presets",   "CF IMAGE STAND",     Wait2s},
    {"Command10", "real",                "REAL",          "Picture presets",   "CF IMAGE REAL",      Wait2s},
    {"Command11", "cinema",              "CINEMA",        "Picture presets",   "CF IMAGE CINEMA",    Wait2s},
    {"Command39", "image1",              "IMAGE1",        "Picture presets",   "CF IMAGE IMAGE1",    Wait2s},
    {"Command40", "image2",              "IMAGE2",        "Picture presets",   "CF IMAGE IMAGE2",    Wait2s},
    {"Command41", "image3",              "IMAGE3",        "Picture presets",   "CF IMAGE IMAGE3",    Wait2s},
    {"Command42", "image4",              "IMAGE4",        "Picture presets",   "CF IMAGE IMAGE4",    Wait2s},
    {"Command56", "lamp select 2 lamp",  "2 LAMP",        "LAMP SELECT",       "C70",                Plain},
    {"Command57", "lamp select 1",       "1",             "LAMP SELECT",       "C71",                Plain},
    {"Command58", "lamp select 2",       "2",             "LAMP SELECT",       "C72",                Plain},
    {"Command52", "p-fail",              "P-FAIL",        "Status queries",    "CR INFPFAIL",        Wait2s},
    {"Command44", "",                    "STATUS",        "Status queries",    "CR0",                Plain},
    {"Command46", "",                    "L-TIME",        "Status queries",    "CR3",                Plain},
    {"Command54", "",                    "TEMP",          "Status queries",    "CR6",                Plain},
    {"Command45", "",                    "MODE",          "Status queries",    "CR1",                Plain},
    {"Command47", "",                    "SETTING",       "Status queries",    "CR4",                Plain},
    {"Command55", "",                    "L-MODE",        "Status queries",    "CR7",                Plain},
    {"Command38", "",                    "PC type",       "Status queries",    "CR9",                Plain},
    {"Command12", "",                    "SETTING 2",     "Status queries",    "CRA",                Plain},
    {"Command99", "",                    "PRESSURE",      "Status queries",    "CR PRESSURE",        Plain},
    {"Command63", "input 1 dvi",         "DVI",           kInputSignals,       "CF INPUT1 DIGITAL",  Wait5s},
    {"Command64", "input 1 rgb",         "RGB",           kInputSignals,       "CF INPUT1 ANALOG",   Wait5s},
    {"Command65", "input 1 video",       "VIDEO",         kInputSignals,       "CF INPUT1 VIDEO",    Wait5s},
    {"Command66", "input 1 ypbpr",       "YPbPr",         kInputSignals,       "CF INPUT1 YPBPR",    Wait5s},
    {"Command67", "input 1 ycbcr",       "YCbCr",         kInputSignals,       "CF INPUT1 YCBCR",    Wait5s},
    {"Command68", "input 1 s-video",     "S-VIDEO",       kInputSignals,       "CF INPUT1 S-VIDEO",  Wait5s},
    {"Command69", "input 1 yc",          "YC",            kInputSignals,       "CF INPUT1 YC",       Wait5s},
    {"Command70", "input 1 sdi",         "SDI",           kInputSignals,       "CF INPUT1 HD-SDI",   Wait5s},
    {"Command71", "input 2 dvi",         "DVI",           kInputSignals,       "CF INPUT2 DIGITAL",  Wait5s},
    {"Command72", "input 2 rgb",         "RGB",           kInputSignals,       "CF INPUT2 ANALOG",   Wait5s},
    {"Command73", "input 2 video",       "VIDEO",         kInputSignals,       "CF INPUT2 VIDEO",    Wait5s},
    {"Command74", "input 2 ypbpr",       "YPbPr",         kInputSignals,       "CF INPUT2 YPBPR",    Wait5s},
    {"Command75", "input 2 ycbcr",       "YCbCr",         kInputSignals,       "CF INPUT2 YCBCR",    Wait5s},
    {"Command76", "input 2 s-video",     "S-VIDEO",       kInputSignals,       "CF INPUT2 S-VIDEO",  Wait5s},
    {"Command77", "input 2 yc",          "YC",            kInputSignals,       "CF INPUT2 YC",       Wait5s},
    {"Command78", "input 2 sdi",         "SDI",           kInputSignals,       "CF INPUT2 HD-SDI",   Wait5s},
    {"Command79", "input 3 dvi",         "DVI",           kInputSignals,       "CF INPUT3 DIGITAL",  Wait5s},
    {"Command80", "input 3 rgb",         "RGB",           kInputSignals,       "CF INPUT3 ANALOG",   Wait5s},
    {"Command81", "input 3 video",       "VIDEO",         kInputSignals,       "CF INPUT3 VIDEO",    Wait5s},
    {"Command82", "input 3 ypbpr",       "YPbPr",         kInputSignals,       "CF INPUT3 YPBPR",    Wait5s},
    {"Command83", "input 3 ycbcr",       "YCbCr",         kInputSignals,       "CF INPUT3 YCBCR",    Wait5s},
    {"Command84", "input 3 s-video",     "S-VIDEO",       kInputSignals,       "CF INPUT3 S-VIDEO",  Wait5s},
    {"Command85", "input 3 yc",          "YC",            kInputSignals,       "CF INPUT3 YC",       Wait5s},
    {"Command86", "input 3 sdi",         "SDI",           kInputSignals,       "CF INPUT3 HD-SDI",   Wait5s},
    {"Command97", "fan speed max",       "MAX",           "FAN SPEED",         "CF FANSPEED MAX",    Plain},
    {"Command98", "fan speed nor",       "NOR",           "FAN SPEED",         "CF FANSPEED NOR",    Plain},
});
// clang-format on

constexpr bool commandsArePrintableAscii() {
    for (const auto& e : kCatalogue) {
        if (e.command.size() < 3 || e.command.size() > 17) return false;
        for (char c : e.command)
            if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}
static_assert(commandsArePrintableAscii(), "a command is 3 to 17 printable ASCII characters");

constexpr bool controlsAreUnique() {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i)
        for (std::size_t j = i + 1; j < kCatalogue.size(); ++j)
            if (kCatalogue[i].control == kCatalogue[j].control) return false;
    return true;
}
static_assert(controlsAreUnique(), "each button has one row");

} // namespace catalogue

constexpr std::span<const CatalogueEntry> commandCatalogue() {
    return catalogue::kCatalogue;
}
const CatalogueEntry* findCatalogueEntry(std::string_view control);

// Timer2's reply window and Timer4's clearing interval: those at start, and those a send class sets before
// transmitting, if any.
struct Intervals {
    int replyTimeout;
    int clearing;
};
constexpr Intervals kWait2sIntervals{2000, 2500};
constexpr Intervals kWait5sIntervals{5000, 5500};
constexpr Intervals kStartIntervals{500, 1000};
constexpr std::optional<Intervals> intervalsFor(SendClass sendClass) {
    switch (sendClass) {
    case SendClass::Wait2s:
        return kWait2sIntervals;
    case SendClass::Wait5s:
        return kWait5sIntervals;
    default:
        return std::nullopt;
    }
}
// The CMD box's SEND waits for a reply as these buttons do.
constexpr SendClass kTypedSendClass = SendClass::Wait2s;
// What PadSetup leaves for the cursor-pad arrows: Timer1's interval and CursorPadMode.
constexpr int kPadSetupRepeat = 200;
constexpr std::uint8_t kPadSetupMode = 1;

} // namespace q7
