#include "key/KeyInspection.h"

namespace KeyInspection {

namespace {
template <typename Cell> QStringList byteRows(const QByteArray& key, bool keyIsText, Cell cell) {
    QStringList rows(rowCount);
    for (qsizetype i = 0; i < key.size() && i < rowCount * bytesPerRow; ++i) {
        const auto b = static_cast<unsigned char>(key.at(i));
        rows[i / bytesPerRow] += (keyIsText && b == 0) ? QStringLiteral("    ") : cell(b);
    }
    return rows;
}
} // namespace

QStringList decimalRows(const QByteArray& key, bool keyIsText) {
    return byteRows(key, keyIsText, [](unsigned char b) { return QStringLiteral("%1 ").arg(b, 3); });
}

QStringList hexadecimalRows(const QByteArray& key, bool keyIsText) {
    return byteRows(key, keyIsText,
                    [](unsigned char b) { return QStringLiteral(" %1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper(); });
}

QStringList textRows(const QByteArray& key) {
    QStringList rows(rowCount);
    int row = 0;
    const auto nextLine = [&] {
        if (row + 1 < rowCount)
            ++row;
        else
            rows[row] += QLatin1Char(' ');
    };
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char c = key.at(i);
        if (c == '\0')
            continue;
        if (c == '\r') {
            if (i + 1 < key.size() && key.at(i + 1) == '\n')
                ++i;
            nextLine();
        } else if (c == '\n') {
            nextLine();
        } else {
            rows[row] += QChar::fromLatin1(c);
        }
    }
    return rows;
}

QStringList rows(Display display, const QByteArray& key, bool keyIsText) {
    switch (display) {
    case Display::Decimal:
        return decimalRows(key, keyIsText);
    case Display::Hexadecimal:
        return hexadecimalRows(key, keyIsText);
    case Display::Text:
        return textRows(key);
    }
    return {};
}

QString checksumLine(int checksum) {
    return QStringLiteral("Checksum is ") + QString::number(checksum) + '.';
}

QString randomnessLine(double randomness, const QLocale& locale) {
    return QStringLiteral("Randomness is ") + locale.toString(randomness, 'f', 3) + '.';
}

Opening opening(bool keyIsRandom, bool keyIsText) {
    if (keyIsRandom)
        return {Display::Decimal, false, true};
    if (keyIsText)
        return {Display::Text, true, false};
    return {Display::Decimal, false, false};
}

} // namespace KeyInspection
