// SPDX-License-Identifier: MIT
#pragma once
// QCommandLineParser with the two refusals our programs word themselves: an option that takes a value but is
// followed by another option or by nothing ("--com1 --help" names no device), and an option or a word that
// is not one of theirs.

#include <QCommandLineParser>
#include <optional>
#include <string>

namespace q7 {

struct OptionFault {
    enum class Kind { MissingValue, Unknown, Other };
    Kind kind;
    std::string text; // the option as written ("--com1"), the word, or Qt's own sentence for Other
};

// Adds options to parser and reads args, the arguments after the program's name.
std::optional<OptionFault> parseOptions(QCommandLineParser& parser, const QList<QCommandLineOption>& options,
                                        const QStringList& args);

} // namespace q7
