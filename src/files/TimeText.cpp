#include "files/StrProc.h"

namespace {

QString count(qint64 n, const char* one, const char* many) {
    return QString::number(n) + QLatin1String(n == 1 ? one : many);
}

} // namespace

namespace StrProc {

QString MinutesToText(qint64 minutes, bool longForm) {
    qint64 m = qMax<qint64>(minutes, 0);
    qint64 days = 0;
    qint64 hours = 0;
    QString text;
    if (m >= 1440) {
        days = m / 1440;
        m %= 1440;
        text += longForm ? count(days, " day", " days") : QString::number(days) + QLatin1String("d ");
    }
    if (m >= 60) {
        if (longForm && days > 0)
            text += QLatin1String(" and ");
        hours = m / 60;
        m %= 60;
        text += longForm ? count(hours, " hour", " hours") : QString::number(hours) + QLatin1String("h ");
    }
    if (m > 0) {
        if (longForm && (hours > 0 || days > 0))
            text += QLatin1String(" and ");
        text += longForm ? count(m, " minute", " minutes") : QString::number(m) + QLatin1String("m ");
    }
    if (text.isEmpty())
        text = longForm ? QStringLiteral("0 minutes") : QStringLiteral("0m");
    return longForm ? text : text.trimmed();
}

QString SecondsToText(qint64 seconds, bool longForm) {
    const qint64 s = qMax<qint64>(seconds, 0);
    const qint64 r = s % 60;
    const qint64 m = s / 60;
    const QString secondsText = longForm ? count(r, " second", " seconds") : QString::number(r) + QLatin1Char('s');
    if (m == 0)
        return secondsText;
    QString text = MinutesToText(m, longForm);
    if (r > 0)
        text += (longForm ? QLatin1String(" and ") : QLatin1String(" ")) + secondsText;
    return text;
}

} // namespace StrProc
