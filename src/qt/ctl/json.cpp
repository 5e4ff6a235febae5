// SPDX-License-Identifier: MIT
#include "qt/ctl/json.h"

#include "display/trace.h"

#include <QJsonArray>

namespace q7 {
namespace {

QString latin1(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

QJsonValue toJson(const StatusValue& value) {
    QJsonArray numbers;
    for (const double n : value.numbers)
        numbers.append(n);
    switch (value.kind) {
    case StatusValue::Kind::None:
        break;
    case StatusValue::Kind::Number:
        return value.number;
    case StatusValue::Kind::Text:
        return latin1(value.text);
    case StatusValue::Kind::Numbers:
        return numbers;
    case StatusValue::Kind::Mutes:
        return QJsonObject{{"video", value.video}, {"audio", value.audio}};
    case StatusValue::Kind::Lamps:
        return QJsonObject{{"lamps_lit", numbers}, {"mode", latin1(value.text)}};
    }
    return QJsonValue::Null;
}

QString hexBytes(const std::string& bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex(' ').toUpper();
}

QJsonObject answerJson(const Answer& answer) {
    return {{"name", QString::fromStdString(answer.name)},
            {"frame", latin1(answer.exchanged.frame)},
            {"outcome", QString::fromUtf8(outcomeName(answer.exchanged.outcome))},
            {"reply", latin1(traceText(answer.exchanged.received))},
            {"hex", hexBytes(answer.exchanged.received)}};
}

QJsonObject failureJson(const char* outcome, const Message& why) {
    return {{"outcome", outcome}, {"error", QString::fromStdString(why.english())}};
}

QJsonObject statusJson(const std::vector<Answer>& answers) {
    QJsonObject status;
    for (const Answer& a : answers) {
        QJsonObject one = answerJson(a);
        one.remove("name");
        one.remove("frame");
        one.insert("text", a.statusText ? QJsonValue(latin1(*a.statusText)) : QJsonValue::Null);
        one.insert("value", toJson(statusValue(a.key->key, a.exchanged.received)));
        status.insert(QString::fromUtf8(a.key->key), one);
    }
    return status;
}

} // namespace q7
