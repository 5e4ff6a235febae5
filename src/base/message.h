// SPDX-License-Identifier: MIT
#pragma once
// What the programs tell a user, and how the link reports failure. A Message is an English sentence whose %1,
// %2, ... are its arguments, kept apart until it is shown, so that a translation can put them where its
// language wants them; an argument is a name or number shown as it stands, or a sentence of its own.
// Result<T> is a value or the Message that says why there is none.

#include <initializer_list>
#include <string>
#include <string_view>
#include <tl/expected.hpp>
#include <vector>

namespace q7 {

// Marks a sentence of ours for translation where it is written: the extraction takes Text::q7tr("...") for a
// text to translate, all in the one context q7::Text (lupdate -tr-function-alias tr+=q7tr), and a Message is
// shown in the user's language where Qt is. The English stays in the code as the text's key.
struct Text {
    static constexpr const char* q7tr(const char* text) { return text; }
};

class Message {
  public:
    Message() = default;
    // A sentence, written where it is made; the source stays valid for the run (a string literal).
    explicit Message(const char* source, std::initializer_list<Message> args = {})
        : source_(source), args_(args) {}
    // A device name, an address, a number: the same in every language.
    static Message verbatim(std::string text);
    static Message number(long long value) { return verbatim(std::to_string(value)); }

    bool empty() const { return !source_ && text_.empty(); }
    bool isVerbatim() const { return !source_; }
    // The sentence before its arguments are put in, or the verbatim text.
    const char* source() const { return source_ ? source_ : text_.c_str(); }
    const std::vector<Message>& args() const { return args_; }
    // Puts each argument in place of its %N; the arguments' own sentences are filled in first.
    std::string english() const;
    friend bool operator==(const Message& a, const Message& b) { return a.english() == b.english(); }

  private:
    const char* source_ = nullptr;
    std::string text_;
    std::vector<Message> args_;
};

// A name or a text of the user's in quotation marks, as it stands.
inline Message quoted(const std::string& text) {
    std::string out(1, '"');
    out += text;
    out += '"';
    return Message::verbatim(std::move(out));
}

// Names of a table's rows as a person reads them: "19200 or 9600", "001, 002, 003 and 004"; the last joint
// is translated.
Message eitherOf(const std::vector<std::string_view>& names);
Message allOf(const std::vector<std::string_view>& names);
// "a, b, c": for lists that are not a sentence's.
std::string commaList(const std::vector<std::string_view>& names);

// Puts args in place of %1 ... %9 in text; a % followed by anything else stays as it is.
std::string fillIn(const std::string& text, const std::vector<std::string>& args);

template <class T = void> using Result = tl::expected<T, Message>;

inline tl::unexpected<Message> failure(Message why) {
    return tl::unexpected<Message>(std::move(why));
}

} // namespace q7
