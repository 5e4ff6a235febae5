// SPDX-License-Identifier: MIT
#include "qt/core/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <vector>

namespace q7 {
namespace {

QTranslator& ours() {
    static QTranslator translator;
    return translator;
}

QTranslator& qts() {
    static QTranslator translator;
    return translator;
}

} // namespace

void loadTranslations() {
    static const bool loaded = [] {
        // Compiled into the program (translations/), chosen by the locale's languages, first match wins.
        const QLocale locale = QLocale::system();
        (void)ours().load(locale, "q7", "_", ":/i18n");
        (void)qts().load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        return true;
    }();
    (void)loaded;
}

void installTranslations(QCoreApplication&) {
    loadTranslations();
    QCoreApplication::installTranslator(&qts());
    QCoreApplication::installTranslator(&ours());
}

std::string translatedText(const Message& message) {
    if (message.isVerbatim()) return message.source();
    loadTranslations();
    const QString sentence = ours().translate("q7::Text", message.source());
    std::vector<std::string> args;
    for (const Message& arg : message.args())
        args.push_back(translatedText(arg));
    return fillIn(sentence.isEmpty() ? std::string(message.source()) : sentence.toStdString(), args);
}

QString translated(const Message& message) {
    return QString::fromStdString(translatedText(message));
}

} // namespace q7
