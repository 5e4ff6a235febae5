// SPDX-License-Identifier: MIT
#pragma once
// Our texts in the user's language: Japanese where the locale says so (LANG=ja_JP.UTF-8), else English as
// written. A Message's sentence is looked up by its English text (marked q7tr where it is written); its
// arguments are put in afterwards, each translated in turn, so that a translation can move them. Qt's own
// words (a box's OK, the command-line parser's errors) come from Qt's translations.

#include "base/message.h"

#include <QString>
#include <string>

class QCoreApplication;

namespace q7 {

// Once, before anything is printed: it needs no application object, so --help and --list-ports are
// translated too.
void loadTranslations();
// Hands the translations to the application, for Qt's own words; once it exists.
void installTranslations(QCoreApplication& app);

QString translated(const Message& message);
std::string translatedText(const Message& message); // UTF-8

} // namespace q7
