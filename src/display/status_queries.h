// SPDX-License-Identifier: MIT
#pragma once
// The status queries, each once: its key for scripts, its command, how the STATUS line shows its reply,
// the words and the typed value a reply carries, and its unit. The STATUS line, q7ctl's status and its JSON,
// the bridge's state, Home Assistant's discovery, the help texts and the completion are all made from it.

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace q7 {

// A code is a slice of the RXD line in its trace form: " 0 0" is the reply "00".
struct StatusCode {
    std::string_view code;
    std::string_view text; // on the STATUS line, as operators have always read it
    std::string_view word; // in the typed value; none where the code carries numbers (input, the mutes)
};

// How the STATUS line shows a reply.
enum class Decoding {
    CodeTable,    // the slice looked up in codes
    LampHours,    // the slice followed by " Hour Use"
    Temperatures, // two slices, S1 and S2
    FreeText,     // the whole RXD text
    Pressure,     // the whole RXD text read as a number
};

// What a reply is for a script, which sets its JSON type.
enum class ValueForm {
    Word,     // a code's word: a string
    Digit,    // a code's digit: a number
    Count,    // digits alone: a number
    Readings, // two readings such as "035.2,041.8": two numbers
    Text,     // printable text: a string
    Pressure, // the sensor's digits, in hPa: a number
    Mutes,    // a code's bits, {"video": bool, "audio": bool}, or a code's word
    Lamps,    // a code's word for the mode, and its bits for the lamps lit
};

struct StatusKey {
    std::string_view key;
    std::string_view command;
    Decoding decoding;
    std::size_t slice; // leading characters of the RXD text used by CodeTable and LampHours
    std::span<const StatusCode> codes;
    ValueForm form;
    std::string_view unit; // behind each number a person reads, with its blank: " h", " °C", " hPa"
};

namespace status {

// The texts keep their spellings and double blanks: they are what operators recognise.
// clang-format off
inline constexpr auto kOperatingState = std::to_array<StatusCode>({
    {" 0 0", " Power ON",                                          "on"},
    {" 8 0", " Stand by",                                          "standby"},
    {" 4 0", " Count down",                                        "count-down"},
    {" 2 0", " Cooling down",                                      "cooling-down"},
    {" 1 0", " Power Fail",                                        "power-fail"},
    {" 0 8", " Temperature Warning(Power ON)",                     "on-temperature-warning"},
    {" 0 2", " NO Key input ",                                     "no-key-input"},
    {" 0 4", " Lamp OFF by PWR Management",                        "lamp-off-power-management"},
    {" 2 8", " Temperature Warning & cooling down",                "cooling-down-temperature-warning"},
    {" 2 4", " Lamp OFF & Tempereture Warning by PWR Management",  "lamp-off-temperature-warning"},
    {" 8 8", " Temperature Warning and recoverd",                  "temperature-warning-recovered"},
    {" 2 1", " Cooling down (All Lamp FAIL)",                      "cooling-down-lamp-failure"},
    {" 8 1", " Cooling down & sutandby (All Lamp FAIL)",           "standby-lamp-failure"},
});

inline constexpr auto kInputMode = std::to_array<StatusCode>({
    {" 1", " Input mode 1", ""},
    {" 2", " Input mode 2", ""},
    {" 3", " Input mode 3", ""},
    {" 4", " Input mode 4", ""},
});

inline constexpr auto kPictureReversal = std::to_array<StatusCode>({
    {" 1 1", " Normally",                          "normal"},
    {" 1 0", " Top/Bottom reversal",               "top-bottom"},
    {" 0 1", " Left/Right reversal",               "left-right"},
    {" 0 0", " Top/Bottom , Left/Right reversal",  "both"},
});

inline constexpr auto kMuteAndSignal = std::to_array<StatusCode>({
    {" 0 0", " Video & Audio mute OFF",  ""},
    {" 0 1", " Video mute ON",           ""},
    {" 0 2", " Audio mute ON",           ""},
    {" 0 3", " Video & Audio mute ON",   ""},
    {" 8 0", " No signal",               "no-signal"},
    {" F F", " Stand by",                "standby"},
});

// The first digit is the mode (0 both lamps, 1 or 2 that lamp alone), the second the lamps lit (bit 0 lamp 1,
// bit 1 lamp 2).
inline constexpr auto kLampMode = std::to_array<StatusCode>({
    {" 0 0", " All OFF : 2 Lamp mode",           "2-lamps"},
    {" 0 1", " No1 ON  : 2 Lamp mode",           "2-lamps"},
    {" 0 2", " No2 ON  : 2 Lamp mode",           "2-lamps"},
    {" 0 3", " No1,2 ON  : 2 Lamp mode",         "2-lamps"},
    {" 1 0", " All OFF : 1 Lamp mode(No1 USE)",  "lamp-1"},
    {" 1 1", " No1 ON  : 1 Lamp mode(No1 USE)",  "lamp-1"},
    {" 2 0", " All OFF : 1 Lamp mode(No2 USE)",  "lamp-2"},
    {" 2 2", " No2 ON  : 1 Lamp mode(No2 USE)",  "lamp-2"},
});

// In the order q7ctl asks them and the STATUS line tests them: a reply answers the first query whose frame
// is the last one sent.
inline constexpr auto kQueries = std::to_array<StatusKey>({
    {"power",            "CR0",         Decoding::CodeTable,    4,  kOperatingState,  ValueForm::Word,     ""},
    {"input",            "CR1",         Decoding::CodeTable,    2,  kInputMode,       ValueForm::Digit,    ""},
    {"picture_reversal", "CR4",         Decoding::CodeTable,    4,  kPictureReversal, ValueForm::Word,     ""},
    {"lamp_hours",       "CR3",         Decoding::LampHours,    38, {},               ValueForm::Count,    " h"},
    {"temperatures",     "CR6",         Decoding::Temperatures, 0,  {},               ValueForm::Readings, " °C"},
    {"mute",             "CRA",         Decoding::CodeTable,    4,  kMuteAndSignal,   ValueForm::Mutes,    ""},
    {"signal_type",      "CR9",         Decoding::FreeText,     0,  {},               ValueForm::Text,     ""},
    {"pressure",         "CR PRESSURE", Decoding::Pressure,     0,  {},               ValueForm::Pressure, " hPa"},
    {"lamp_mode",        "CR7",         Decoding::CodeTable,    4,  kLampMode,        ValueForm::Lamps,    ""},
});
// clang-format on

constexpr bool queriesAreConsistent() {
    for (std::size_t q = 0; q < kQueries.size(); ++q) {
        const StatusKey& query = kQueries[q];
        for (std::size_t other = q + 1; other < kQueries.size(); ++other)
            if (kQueries[other].command == query.command || kQueries[other].key == query.key) return false;
        if ((query.decoding == Decoding::CodeTable) == query.codes.empty()) return false;
        for (std::size_t c = 0; c < query.codes.size(); ++c) {
            const StatusCode& row = query.codes[c];
            // a code of another length could never equal the slice
            if (row.code.size() != query.slice) return false;
            // every code's value can be told: a word, or a code whose digits carry it
            if (row.word.empty() && query.form != ValueForm::Digit && query.form != ValueForm::Mutes)
                return false;
            for (std::size_t other = c + 1; other < query.codes.size(); ++other)
                if (query.codes[other].code == row.code) return false;
        }
    }
    return true;
}
static_assert(queriesAreConsistent(), "each query and key once; codes unique and as long as their slice");

} // namespace status

constexpr std::span<const StatusKey> statusKeys() {
    return status::kQueries;
}

constexpr const StatusKey* findStatusKey(std::string_view key) {
    for (const StatusKey& k : status::kQueries)
        if (k.key == key) return &k;
    return nullptr;
}

inline std::vector<std::string_view> statusKeyNames() {
    std::vector<std::string_view> names;
    for (const StatusKey& k : status::kQueries)
        names.push_back(k.key);
    return names;
}

// Whether a query's replies may carry word: for checks, while compiling, of texts that test for a word.
constexpr bool isStatusWord(std::string_view key, std::string_view word) {
    // By value, not by a row's address, which GCC does not fold under the sanitizers.
    for (const StatusKey& k : status::kQueries)
        if (k.key == key)
            for (const StatusCode& c : k.codes)
                if (c.word == word) return true;
    return false;
}

} // namespace q7
