// SPDX-License-Identifier: MIT
#include "qt/core/option_parser.h"

namespace q7 {

std::optional<OptionFault> parseOptions(QCommandLineParser& parser, const QList<QCommandLineOption>& options,
                                        const QStringList& args) {
    parser.addOptions(options);
    const auto takesValue = [&](const QString& arg) {
        for (const QCommandLineOption& option : options)
            if (!option.valueName().isEmpty())
                for (const QString& name : option.names())
                    if (arg == (name.size() > 1 ? "--" : "-") + name) return true;
        return false;
    };
    for (qsizetype i = 0; i < args.size(); ++i)
        if (takesValue(args[i]) && (i + 1 == args.size() || args[i + 1].startsWith("--")))
            return OptionFault{OptionFault::Kind::MissingValue, args[i].toStdString()};
    if (!parser.parse(QStringList{QString()} + args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty()) return OptionFault{OptionFault::Kind::Other, parser.errorText().toStdString()};
        return OptionFault{OptionFault::Kind::Unknown,
                           (unknown[0].size() > 1 ? "--" : "-") + unknown[0].toStdString()};
    }
    if (!parser.positionalArguments().isEmpty())
        return OptionFault{OptionFault::Kind::Unknown, parser.positionalArguments()[0].toStdString()};
    return std::nullopt;
}

} // namespace q7
